#!/bin/bash
# Times the link miner and the address harvester of ledgerly-cli on a
# generated mailbox of 32,767 messages, next to cat and grep over the same file.
# Usage: bench/mining_bench.sh [BUILD_DIR]   (default: build)
set -eu
build=${1:-build}
cli="$build/bin/ledgerly-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mbx="$work/Bench.mbx"

# Each message: delimiter, headers, and a body with a few links and addresses.
# Every 7th message repeats an earlier link, so the duplicate tests have work.
awk 'BEGIN {
  srand(7);
  for (m = 1; m <= 32767; m++) {
    printf "From ???@??? Mon Dec 13 18:45:29 2010\r\n";
    printf "From: Sender %d <sender%d@example.com>\r\n", m % 500, m % 500;
    printf "To: Reader <reader@example.org>, list-%d@lists.example.net\r\n", m % 40;
    printf "Subject: Message number %d\r\n", m;
    printf "Date: Mon, 13 Dec 2010 18:45:29 +0100\r\n\r\n";
    for (l = 0; l < 12; l++)
      printf "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor %d.\r\n", l;
    k = (m % 7 == 0) ? int(m / 2) : m;
    printf "See http://www.example.com/page/%d?ref=mail&id=%d or <mailto:help%d@example.com>.\r\n", k, k % 97, k % 1000;
    printf "Mirror: ftp://ftp.example.net/pub/file%d.zip and https://secure.example.com/%d\r\n", k % 3000, k;
    printf "Write to user.%d@host%d.example.com (not news://news.example.com/group%d).\r\n\r\n", m, m % 50, m % 20;
  }
}' > "$mbx"

size=$(wc -c < "$mbx")
echo "mailbox: 32767 messages, $size bytes"
# Best of three runs: wall time and CPU time (user + system). The machine is
# shared, so the CPU time is the steadier figure.
t() {
  label=$1; shift
  best=""
  for i in 1 2 3; do
    TIMEFORMAT='%R %U %S'
    r=$( { time "$@" > "$work/out" 2> "$work/err"; } 2>&1 )  # not /dev/null: grep stops at the first match there
    read -r real user sys <<< "$r"
    cpu=$(echo "$user + $sys" | bc)
    if [ -z "$best" ] || [ "$(echo "$real < $best" | bc)" = 1 ]; then best=$real; bestcpu=$cpu; fi
  done
  printf '%-45s wall %6.2f s   cpu %6.2f s\n' "$label" "$best" "$bestcpu"
}
cat "$mbx" > /dev/null  # warm the page cache
t "cat" cat "$mbx"
t "grep -c -i -E 'mailto:|https?://'" grep -c -i -E 'mailto:|https?://' "$mbx"
t "ledgerly-cli links --all" "$cli" links --all "$mbx"
t "ledgerly-cli links --kind e-mail" "$cli" links --kind e-mail "$mbx"
t "ledgerly-cli addresses" "$cli" addresses "$mbx"
echo "links found:     $("$cli" links --all "$mbx" 2>/dev/null | wc -l)"
echo "addresses found: $("$cli" addresses "$mbx" 2>/dev/null | wc -l)"
