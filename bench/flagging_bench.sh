#!/usr/bin/env bash
# Times the flagging tools of ledgerly-cli on a generated mailbox of 32,767
# messages (about 200 MB), next to the time `cat` needs to read the same pair.
#
#   bench/flagging_bench.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR defaults to ./build (ledgerly-cli and liblwb.so in BUILD_DIR/bin);
# WORK_DIR defaults to a fresh temporary folder, removed at the end. Run by hand.
set -euo pipefail

build=${1:-build}
cli="$build/bin/ledgerly-cli"
[[ -x $cli ]] || { echo "no $cli: build first" >&2; exit 1; }
if [[ -n ${2:-} ]]; then
    work=$2
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
count=${LEDGERLY_BENCH_MESSAGES:-32767}

# The generator: Eudora-shaped messages of about 6 KB, every 20th one a copy
# of an earlier one (another delimiter date), so that the searches find work.
python3 - "$work/Bench." "$count" <<'PY'
import random, struct, sys
pair, n = sys.argv[1], int(sys.argv[2])
rng = random.Random(32767)
words = ("alpha bravo charlie delta echo foxtrot golf hotel india juliet kilo lima mike "
         "november oscar papa quebec romeo sierra tango uniform victor whiskey xray").split()
def para(k):
    return " ".join(rng.choice(words) for _ in range(k))
texts, summaries, offset = [], [], 0
bodies = []
with open(pair + "mbx", "wb") as mbx:
    for i in range(n):
        day = 1 + i % 28
        if i % 20 == 19 and bodies:
            hdr, body = bodies[rng.randrange(len(bodies))]
        else:
            hdr = ("From: \"Sender %d\" <sender%d@example.org>\r\n"
                   "To: reader@example.net\r\n"
                   "Subject: =?ISO-8859-1?Q?Message_%d?=\r\n"
                   "Date: Mon, %d Jan 2004 15:%02d:09 +0100\r\n"
                   "Received: from relay%d by mailhost\r\n"
                   "Priority: %s\r\n"
                   "Message-ID: <%d@example.org>\r\n") % (i, i % 500, i, day, i % 60, i % 7,
                                                         rng.choice(["high", "low", "normal"]), i)
            body = "\r\n".join(para(12) for _ in range(80)) + "\r\n"
            if i % 50 == 0:
                body += "Attachment Converted: \"C:\\Eudora\\attach\\file%d.pdf\"\r\n" % i
            bodies.append((hdr, body))
        msg = ("From ???@??? Mon Jan %d 1%d:45:29 2004\r\n" % (day, i % 10) + hdr + "\r\n" + body).encode("cp1252")
        mbx.write(msg)
        summaries.append((offset, len(msg)))
        offset += len(msg)
with open(pair + "toc", "wb") as toc:
    head = bytearray(104)
    head[0] = 0x31
    head[8:8 + 5] = b"Bench"
    struct.pack_into("<h", head, 40, 0)
    struct.pack_into("<8h", head, 54, 3, 3, 3, 5, 20, 16, 4, 3)
    struct.pack_into("<I", head, 96, (offset + 1) & 0xFFFFFFFF)
    struct.pack_into("<h", head, 102, n)
    toc.write(head)
    for off, length in summaries:
        s = bytearray(218)
        struct.pack_into("<iiIhBBh", s, 0, off, length, 0, 1, 0, 0, 3)
        s[18:18 + 9] = b"1/1/2004\0"
        s[27:46] = b" " * 19
        s[50:50 + 3] = b"who"
        s[114:114 + 7] = b"subject"
        toc.write(s)
PY

now() { date +%s.%N; }
timeit() {  # label, command...
    local label=$1; shift
    local t0 t1
    t0=$(now)
    "$@" > /dev/null
    t1=$(now)
    printf '%-28s %8.2f s\n' "$label" "$(echo "$t1 - $t0" | bc)"
}

mbx="$work/Bench.mbx"
echo "mailbox: $(stat -c %s "$mbx") bytes, $count messages; $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
cat "$mbx" "$work/Bench.toc" > /dev/null  # warm the page cache once
timeit "cat (mbx + toc)" cat "$mbx" "$work/Bench.toc"
timeit "update --all" "$cli" update --all "$mbx"
timeit "mark sent" "$cli" mark sent "$mbx"
timeit "duplicates --fast" "$cli" duplicates --fast "$mbx"
timeit "duplicates --slow" "$cli" duplicates --slow "$mbx"
echo "reports: $("$cli" duplicates --fast --dry-run "$mbx" | tail -n 1) / $("$cli" duplicates --slow --dry-run "$mbx" | tail -n 1)"
