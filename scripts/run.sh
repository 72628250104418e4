#!/usr/bin/env bash
# Builds Ledgerly (Release, in build/release) and runs the desktop program on
# a Eudora data folder:
#   scripts/run.sh DATA_FOLDER   runs 'build/release/bin/ledgerly DATA_FOLDER'
#   scripts/run.sh               first writes a fresh sample store
#                                ('ledgerly-cli sample-store') in a temporary
#                                folder and opens that
# Without a display it says so and shows the data folder from the terminal
# instead. Missing Debian packages are installed first (apt-get, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh

echo "== Ledgerly: build (Release) and run"
ensure_packages cmake g++ make pkg-config qt6-base-dev libgl-dev libcli11-dev libgmime-3.0-dev

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
# shellcheck disable=SC2046
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DLEDGERLY_TESTS=OFF $(cmake_launcher_args)
cmake --build build/release -j"${JOBS:-2}"

BIN=build/release/bin
if [ $# -ge 1 ]; then
    DATA="$1"
    if [ ! -d "$DATA" ]; then
        echo "error: the data folder '$DATA' does not exist." >&2
        exit 1
    fi
else
    DATA="$(mktemp -d "${TMPDIR:-/tmp}/ledgerly-sample.XXXXXX")/store"
    echo "== No data folder given: writing a sample store to $DATA"
    "$BIN/ledgerly-cli" sample-store "$DATA"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "== No display (\$DISPLAY and \$WAYLAND_DISPLAY are empty): the desktop program cannot open its window."
    if "$BIN/ledgerly-cli" --help 2>/dev/null | grep -qE '^[[:space:]]+tree([[:space:]]|$)'; then
        echo "== The data folder, as 'ledgerly-cli tree' shows it:"
        "$BIN/ledgerly-cli" tree --data-folder "$DATA"
    else
        echo "== The mailboxes of $DATA, as 'ledgerly-cli list' shows them:"
        find "$DATA" -iname '*.mbx' -type f | sort | while read -r mbx; do
            echo
            echo "---- $mbx"
            "$BIN/ledgerly-cli" list "$mbx" || true
        done
    fi
    exit 0
fi

echo "== Starting $BIN/ledgerly $DATA"
exec "$BIN/ledgerly" "$DATA"
