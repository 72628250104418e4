#!/usr/bin/env bash
# The Windows part of the tests, under Wine:
#   1. cross-builds everything (scripts/build-windows.sh, build/windows);
#   2. runs the core test programs and the command-line tests (ctest in
#      build/windows, each program once under Wine; names outside ASCII
#      are tested by the tests that make them, and by the comparison);
#   3. compares ledgerly-cli.exe with the Linux ledgerly-cli: the same sample
#      store, and byte-identical output and files for list --json,
#      update --all, strip-html and export digest (scripts/compare-windows.sh).
# The Linux program is taken from $LINUX_BIN (default build/ci/bin), built
# there first when missing. Wine runs in a private prefix, build/windows/wine,
# made once and reused. Prints a summary line; exits non-zero on a failure.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh

ensure_packages wine wine64 cmake g++ make libcli11-dev || exit 1
started=$SECONDS
scripts/build-windows.sh || { echo "== windows: build FAILED"; exit 1; }
built=$SECONDS

BUILD=build/windows
export WINEPREFIX="$PWD/$BUILD/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
# Debian's launcher runs 64-bit programs with wine64 alone (no wine32 needed).
if [ ! -f "$WINEPREFIX/.ledgerly-prefix-2" ]; then
    echo "== Making the Wine prefix $WINEPREFIX (once)"
    rm -rf "$WINEPREFIX"
    wine wineboot --init >/dev/null 2>&1
    # Windows without a display: the null driver still keeps a window list.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    # A program that crashes ends with its failure instead of waiting in the debugger.
    wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.ledgerly-prefix-2"
fi
wineserver -p  # one server for every program of the run, kept until the end
trap 'wineserver -k 2>/dev/null' EXIT
# Wine's own services start with the first program and outlive it: started
# here, they do not hold the output of a test program open (ctest would wait
# for it to the timeout).
wine cmd /c exit </dev/null >/dev/null 2>&1


failed=0
echo "== [windows] ctest under Wine"
log="$BUILD/ctest-summary.log"
(cd "$BUILD" && ctest --output-on-failure -j"${JOBS:-2}" --timeout 900) | tee "$log"
[ "${PIPESTATUS[0]}" -eq 0 ] || failed=1
summary=$(grep -E "tests passed|tests failed" "$log" | tail -1)
tested=$SECONDS

echo "== [windows] the same output as the Linux program"
if scripts/compare-windows.sh; then compared="byte-identical"; else compared="DIFFERENT"; failed=1; fi

echo "== windows: ${summary:-ctest did not run}; Linux comparison: $compared" \
     "(build $((built - started)) s, tests $((tested - built)) s, comparison $((SECONDS - tested)) s)"
exit $failed
