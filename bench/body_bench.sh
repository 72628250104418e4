#!/usr/bin/env bash
# Times `ledgerly-cli strip-html` and `ledgerly-cli decode-qp` on a generated
# mailbox of 32,767 messages, next to the time `cat` needs to read the same pair.
#
#   bench/body_bench.sh [BUILD_DIR] [MESSAGES]
#
# BUILD_DIR is a build of ledgerly-cli (best a Release build; default build-rel).
# The pair is generated in $BENCH_DIR (default: a fresh folder under $TMPDIR).
# Each tool runs on a fresh copy of the pair and includes what the tool does
# on every run: the pair check, both backups, the rewrite and the flushes.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-rel}" && pwd)
messages=${2:-32767}
cli=$build/bin/ledgerly-cli
[ -x "$cli" ] || { echo "no ledgerly-cli in $build/bin: build it first" >&2; exit 1; }

work=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/ledgerly-bench.XXXXXX")}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# The generator: HTML, quoted-printable and plain messages in turn.
cat > "$work/gen.cpp" <<'CPP'
#include <cstdio>
#include <cstdlib>
#include <string>
#include "store/MailboxBuilder.h"
using namespace ledgerly;
int main(int argc, char** argv) {
    const int n = std::atoi(argv[2]);
    std::string html = "<x-html>\r\n<html><head><title>News</title><style>p {margin: 0}</style></head><body>\r\n";
    for (int i = 0; i < 10; ++i)
        html += "<p>Paragraph  with <b>bold</b>   text, <i>italics</i> and <a href=\"http://example.org/a?b=c\">a link</a>.</p>\r\n";
    html += "<script>track()</script></body></html>\r\n</x-html>\r\n";
    std::string qp;
    for (int i = 0; i < 14; ++i) qp += "Caf=E9 cr=E8me br=FBl=E9e, na=EFve =3D d=E9j=E0 vu, long line that goes on a=\r\nnd on.\r\n";
    const std::string plain(900, 'p');
    MailboxBuilder b;
    for (int i = 0; i < n; ++i) {
        const std::string& body = i % 3 == 0 ? html : i % 3 == 1 ? qp : plain;
        b.Add(ComposeMessage({"From: Someone <someone@example.org>", "To: you@example.org",
                              "Subject: Message " + std::to_string(i), "Date: Mon, 13 Dec 2010 18:45:29 +0100"}, body),
              "Someone", "Message " + std::to_string(i), "18:45 13.12.2010");
    }
    return b.Write(argv[1]).ok() ? 0 : 1;
}
CPP
c++ -std=c++20 -O2 -I"$root" "$work/gen.cpp" "$build/store/libledgerly_store.a" "$build/app/libledgerly_app.a" -o "$work/gen"
"$work/gen" "$work/Master." "$messages"

TIMEFORMAT='%R s real, %U s user, %S s sys'
size=$(du -ch "$work/Master.mbx" "$work/Master.toc" | tail -1 | cut -f1)
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "pair: $messages messages, $size (mailbox + TOC)"
for tool in strip-html decode-qp; do
    rm -f "$work"/In.*
    cp "$work/Master.mbx" "$work/In.mbx"
    cp "$work/Master.toc" "$work/In.toc"
    sync
    echo "cat (read the pair):"
    time cat "$work/In.mbx" "$work/In.toc" > /dev/null
    echo "cp of the pair + sync (what one backup costs):"
    time { cp "$work/In.mbx" "$work/Copy.mbx"; cp "$work/In.toc" "$work/Copy.toc"; sync; }
    rm -f "$work"/Copy.*
    echo "ledgerly-cli $tool:"
    time "$cli" "$tool" "$work/In.mbx" > /dev/null
done
