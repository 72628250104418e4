#!/usr/bin/env bash
# Times `ledgerly-cli export mbox|maildir|eml` on a generated mailbox of
# 32,767 messages next to `cp` of the bytes each export writes.
#
#   bench/migrate_bench.sh [MESSAGES [BYTES]]
#
# LEDGERLY_CLI names the ledgerly-cli to measure (default: a Release build in
# build/bench, made as bench/run makes it). The mailbox is generated once in
# $LEDGERLY_BENCH_DATA (default build/bench-data) and reused. For each format
# the export runs into a fresh folder (it reads the mailbox, rebuilds every
# message, writes it, flushes it to disk and parses it back), then
# `cp -r` copies what it wrote, then `sync`. Both from a warm page cache.
set -euo pipefail

messages=${1:-32767}
bytes=${2:-0}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${LEDGERLY_CLI:-}" ]; then
    cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DLEDGERLY_GUI=OFF -DLEDGERLY_TESTS=OFF >/dev/null
    cmake --build "$root/build/bench" -j2 --target ledgerly-cli lwb >/dev/null
    LEDGERLY_CLI=$root/build/bench/bin/ledgerly-cli
fi
cli=$LEDGERLY_CLI
data=${LEDGERLY_BENCH_DATA:-$root/build/bench-data}/$messages-$bytes
if [ ! -e "$data/.done" ]; then
    rm -rf "$data" && mkdir -p "$data"
    "$cli" sample-store --large "$messages" --bytes "$bytes" --seed 1 "$data/store" >/dev/null
    touch "$data/.done"
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/ledgerly-migrate-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

seconds() { awk -v ns="$1" 'BEGIN { printf "%.2f", ns / 1e9 }'; }
now() { date +%s%N; }

cat "$data/store/Large.mbx" "$data/store/Large.toc" >/dev/null
echo "$messages messages, mailbox $(stat -c %s "$data/store/Large.mbx") bytes; load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '| format | export (s) | export CPU, user + sys (s) | peak memory (MB) | bytes written | cp (s) | cp + sync (s) | export / cp | export / (cp + sync) |\n'
printf '|---|---:|---:|---:|---:|---:|---:|---:|---:|\n'
for format in mbox maildir eml; do
    rm -rf "$work/out" "$work/copy"
    start=$(now)
    /usr/bin/time -f '%M %U %S' -o "$work/rss" "$cli" export "$format" "$data/store/Large.mbx" "$work/out" >/dev/null 2>&1 || true
    export_ns=$(( $(now) - start ))
    written=$(du -sb "$work/out" | cut -f1)
    start=$(now)
    cp -r "$work/out" "$work/copy"
    cp_ns=$(( $(now) - start ))
    sync -f "$work/copy"
    sync_ns=$(( $(now) - start ))
    read -r rss user sys < <(tail -1 "$work/rss")
    printf '| %s | %s | %.2f | %s | %s | %s | %s | %.1f | %.1f |\n' "$format" "$(seconds $export_ns)" \
        "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" $((rss / 1024)) "$written" \
        "$(seconds $cp_ns)" "$(seconds $sync_ns)" "$(awk -v a=$export_ns -v b=$cp_ns 'BEGIN { print a / b }')" \
        "$(awk -v a=$export_ns -v b=$sync_ns 'BEGIN { print a / b }')"
done
