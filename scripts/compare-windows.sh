#!/usr/bin/env bash
# ledgerly-cli.exe under Wine against the Linux ledgerly-cli, on the sample
# store: each program writes its own, then runs, on every mailbox of it,
#   list --json, update --all, list --json, strip-html, export digest.
# Every file of the two stores, and every command's exit status, stdout and
# stderr, must be byte for byte the same.
#
# So that nothing else needs normalising, both stores hold the same paths:
# the Windows program writes C:\cmp\Mäil 日本\store in the Wine prefix; the
# Linux program writes <scratch>/linux/drive_c/cmp/Mäil 日本/store, inside a
# folder that is made to look like a Wine prefix (dosdevices/c: ->
# ../drive_c), so that it writes attachment paths into mail as
# C:\cmp\Mäil 日本\store\... too (the name outside ASCII tests the Windows
# program's UTF-16 paths on the way). Both run in the store's folder and name
# mailboxes relative to it ("Work.fol/Projects.mbx").
# Two things are normalised: the line of the digest that says when it was
# made ("<center><I>Created on ... at ...</I></center>"), the two programs
# running at different moments; and in what sample-store prints (the paths
# of the files it wrote, absolute), the store's folder as each system spells
# it becomes "STORE/" and "\" becomes "/".
#
# Needs: build/windows/bin (ledgerly-cli.exe, lwb.dll), the Linux program in
# $LINUX_BIN (default build/ci/bin; built there when missing), WINEPREFIX.
set -uo pipefail
cd "$(dirname "$0")/.."

WIN_BIN="$PWD/build/windows/bin"
LINUX_BIN="${LINUX_BIN:-$PWD/build/ci/bin}"
if [ ! -x "$LINUX_BIN/ledgerly-cli" ]; then
    echo "== Building the Linux ledgerly-cli in build/ci"
    . scripts/packages.sh
    # shellcheck disable=SC2046
    cmake -S . -B build/ci -DCMAKE_BUILD_TYPE=Release -DLEDGERLY_WERROR=ON $(cmake_launcher_args) >/dev/null &&
        cmake --build build/ci -j"${JOBS:-2}" --target ledgerly-cli lwb >/dev/null || exit 1
fi
LINUX_BIN=$(cd "$LINUX_BIN" && pwd) || exit 1  # the commands run from the store's folder
: "${WINEPREFIX:?set WINEPREFIX (scripts/test-windows.sh does)}"

scratch=$(mktemp -d /tmp/ledgerly-compare.XXXXXX)
trap 'rm -rf "$scratch" "$WINEPREFIX/drive_c/cmp"' EXIT
win_root="$WINEPREFIX/drive_c/cmp/Mäil 日本"
lin_root="$scratch/linux/drive_c/cmp/Mäil 日本"
rm -rf "$win_root"
mkdir -p "$win_root" "$lin_root" "$scratch/linux/dosdevices" "$scratch/out/win" "$scratch/out/lin"
ln -s ../drive_c "$scratch/linux/dosdevices/c:"

# run SIDE NAME ARGS...: one command of one program, in its store folder
# (the sample store itself is written from the folder above).
run() {
    local side=$1 name=$2
    shift 2
    local rc
    if [ "$side" = win ]; then
        (cd "$win_root/${STORE_DIR:-store}" && wine "$WIN_BIN/ledgerly-cli.exe" "$@" </dev/null) \
            >"$scratch/out/win/$name.out" 2>"$scratch/out/win/$name.err"
        rc=$?
    else
        (cd "$lin_root/${STORE_DIR:-store}" && WINEPREFIX= "$LINUX_BIN/ledgerly-cli" "$@" </dev/null) \
            >"$scratch/out/lin/$name.out" 2>"$scratch/out/lin/$name.err"
        rc=$?
    fi
    echo "$rc" >"$scratch/out/$side/$name.rc"
}
both() { run win "$@"; run lin "$@"; }

STORE_DIR=. both sample-store sample-store store
mailboxes=$(cd "$lin_root/store" && find . -name '*.mbx' | sed 's|^\./||' | LC_ALL=C sort)
[ -n "$mailboxes" ] || { echo "the Linux sample store holds no mailbox"; exit 1; }
n=0
for mbx in $mailboxes; do
    n=$((n + 1))
    both "$n-list" list --json "$mbx"
    both "$n-update" update --all --yes "$mbx"
    both "$n-list-updated" list --json "$mbx"
    both "$n-strip-html" strip-html --yes "$mbx"
    both "$n-digest" export digest --yes "$mbx" "digest-$n.html"
done

sed -i -e 's|C:\\cmp\\Mäil 日本\\store\\|STORE/|g' -e 's|\\|/|g' "$scratch"/out/win/sample-store.*
sed -i -e "s|$lin_root/store/|STORE/|g" "$scratch"/out/lin/sample-store.*
normalise() { sed -i 's|<center><I>Created on .* at .*</I></center>|<center><I>Created on (date) at (time)</I></center>|' "$@"; }
normalise "$win_root"/store/digest-*.html "$lin_root"/store/digest-*.html

status=0
if ! diff -r "$scratch/out/lin" "$scratch/out/win" >"$scratch/output.diff"; then
    echo "== Output differs (Linux <, Windows >):"; head -60 "$scratch/output.diff"; status=1
fi
if ! diff -r "$lin_root/store" "$win_root/store" >"$scratch/files.diff"; then
    echo "== Files differ:"; head -60 "$scratch/files.diff"; status=1
fi
files=$(find "$lin_root/store" -type f | wc -l)
if [ $status -eq 0 ]; then
    echo "== Windows and Linux agree: $n mailboxes, $((n * 5 + 1)) commands, $files files byte for byte"
fi
exit $status
