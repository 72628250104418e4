#!/usr/bin/env bash
# Builds Ledgerly and runs every test, twice:
#   build/ci    Release, warnings as errors
#   build/asan  Debug with AddressSanitizer and UndefinedBehaviorSanitizer
# then runs every fuzz target for 30 seconds (clang, ASan + UBSan, build/fuzz),
# then the Windows part (scripts/test-windows.sh): the cross build in
# build/windows, its tests under Wine, and the comparison of the Windows and
# the Linux (build/ci) ledgerly-cli.
# Missing Debian packages are installed first (apt-get, as root).
# Exit status: 0 when both builds and all their tests pass.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh

echo "== Ledgerly: build and run every test (Release build, then a sanitizer build)"
ensure_packages cmake g++ make pkg-config qt6-base-dev libgl-dev libcli11-dev libgtest-dev libgmock-dev \
    libgmime-3.0-dev python3 xvfb libx11-dev tcl perl fonts-dejavu-core clang libclang-rt-dev || exit 1

JOBS="${JOBS:-2}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
# shellcheck disable=SC2046
LAUNCHER=$(cmake_launcher_args)

failed=0
results=()

run_build() {
    local name=$1 dir=$2
    shift 2
    echo
    echo "== [$name] configure $dir ($*)"
    # shellcheck disable=SC2086
    if ! cmake -S . -B "$dir" "$@" $LAUNCHER; then
        results+=("$name: configure FAILED"); failed=1; return
    fi
    echo "== [$name] build"
    if ! cmake --build "$dir" -j"$JOBS"; then
        results+=("$name: build FAILED"); failed=1; return
    fi
    echo "== [$name] ctest"
    local log="$dir/ctest-summary.log"
    (cd "$dir" && ctest --output-on-failure -j"$JOBS" --timeout 600) | tee "$log"
    local rc=${PIPESTATUS[0]}
    local summary
    summary=$(grep -E "tests passed|tests failed" "$log" | tail -1)
    if [ "$rc" -ne 0 ]; then
        results+=("$name: ${summary:-ctest FAILED}"); failed=1
    else
        results+=("$name: ${summary:-ctest passed}")
    fi
}

run_build ci build/ci -DCMAKE_BUILD_TYPE=Release -DLEDGERLY_WERROR=ON
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
    run_build asan build/asan -DCMAKE_BUILD_TYPE=Debug -DLEDGERLY_SANITIZE=ON -DLEDGERLY_WERROR=ON

echo
echo "== [fuzz] every fuzz target for ${FUZZ_SECONDS:-30} seconds"
if fuzz/run "${FUZZ_SECONDS:-30}"; then
    results+=("fuzz: no finding")
else
    results+=("fuzz: FAILED (inputs in build/fuzz/findings)"); failed=1
fi

echo
echo "== [windows] cross build, tests under Wine, comparison with Linux"
windows_log=build/windows-summary.log
mkdir -p build
LINUX_BIN="$PWD/build/ci/bin" scripts/test-windows.sh 2>&1 | tee "$windows_log"
windows_rc=${PIPESTATUS[0]}
windows_summary=$(grep -E "^== windows: " "$windows_log" | tail -1 | sed 's/^== //')
results+=("${windows_summary:-windows: FAILED before its summary}")
[ "$windows_rc" -eq 0 ] || failed=1

echo
echo "== Summary"
for r in "${results[@]}"; do echo "   $r"; done
if [ "$failed" -ne 0 ]; then
    echo "== FAILED"
    exit 1
fi
echo "== All tests passed."
