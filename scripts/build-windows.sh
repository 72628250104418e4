#!/usr/bin/env bash
# Cross-builds Ledgerly for 64-bit Windows with MinGW-w64 into build/windows:
# the core libraries, ledgerly-cli.exe, lwb.dll and the core test programs,
# statically linked (they run on a bare Windows), then packs
# build/windows/ledgerly-windows.zip: the programs, the manual, a README for
# Windows users. The desktop program is not part of it (no Qt for MinGW in
# Debian); README.md says what a Windows build of it needs.
# Missing Debian packages are installed first (apt-get, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh

echo "== Ledgerly for Windows: cross build in build/windows"
ensure_packages cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libcli11-dev googletest zip

BUILD=build/windows
JOBS="${JOBS:-2}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
# shellcheck disable=SC2046
cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DLEDGERLY_GUI=OFF -DLEDGERLY_WERROR=ON -DLEDGERLY_TESTS="${LEDGERLY_TESTS:-ON}" $(cmake_launcher_args)
cmake --build "$BUILD" -j"$JOBS"

echo "== Packing $BUILD/ledgerly-windows.zip"
STAGE="$BUILD/package/ledgerly"
rm -rf "$BUILD/package" "$BUILD/ledgerly-windows.zip"
mkdir -p "$STAGE/manual"
for f in ledgerly-cli.exe lwb.dll; do
    x86_64-w64-mingw32-strip -o "$STAGE/$f" "$BUILD/bin/$f"
done
cp docs/manual/* "$STAGE/manual/"
# Text files with the line ends Windows programs expect.
sed 's/$/\r/' docs/windows/README.txt >"$STAGE/README.txt"
sed 's/$/\r/' CHANGELOG.md >"$STAGE/CHANGELOG.txt"
(cd "$BUILD/package" && zip -qrX ../ledgerly-windows.zip ledgerly)
unzip -l "$BUILD/ledgerly-windows.zip"
echo "== Done: $BUILD/ledgerly-windows.zip"
