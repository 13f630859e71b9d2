#!/bin/bash
# Runs the Windows test executables of a cross build under Wine (Debian's
# wine64), one after another, and fails when any of them fails.
#     tools/windows/run-tests.sh BUILD_DIR [TEST_EXE…]
# The Wine prefix lives in $ZEL_WINEPREFIX (default BUILD_DIR/wine) and is made
# once; Wine's own diagnostics are off.
set -eu

build=$(cd "$1" && pwd); shift
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
for p in wine wine64; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
            wine wine64 >&2
done

export WINEPREFIX=${ZEL_WINEPREFIX:-$build/wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    start=$(date +%s)
    "$wine" wineboot --init >/dev/null 2>&1
    /usr/lib/wine/wineserver64 -w
    echo "wine: prefix $WINEPREFIX made in $(( $(date +%s) - start )) s"
fi

if [ $# -eq 0 ]; then
    set -- $(find "$build/tests" -name '*_tests.exe' | sort)
fi
failed=""
for exe in "$@"; do
    name=$(basename "$exe" .exe)
    start=$(date +%s)
    # The tests find their data through paths compiled in; Wine maps the
    # Linux root to drive Z:, which the C runtime reaches with the same
    # slashes.
    if (cd "$(dirname "$exe")" && "$wine" "$exe" --gtest_brief=1 >"$build/$name.wine.log" 2>&1); then
        echo "wine: $name passed in $(( $(date +%s) - start )) s"
    else
        echo "wine: $name FAILED in $(( $(date +%s) - start )) s (see $build/$name.wine.log)"
        tail -30 "$build/$name.wine.log"
        failed="$failed $name"
    fi
done
/usr/lib/wine/wineserver64 -k 2>/dev/null || true
[ -z "$failed" ] || { echo "wine: failed:$failed"; exit 1; }
