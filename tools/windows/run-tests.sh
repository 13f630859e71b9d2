#!/bin/bash
# Runs the Windows test executables of a cross build under Wine (Debian's
# wine64), one after another, and fails when any of them fails.
#     tools/windows/run-tests.sh BUILD_DIR [TEST_EXE…]
# The Wine prefix: tools/windows/wine-prefix.sh.
set -eu

build=$(cd "$1" && pwd); shift
. "$(dirname "$0")/wine-prefix.sh"

if [ $# -eq 0 ]; then
    set -- $(find "$build/tests" -name '*_tests.exe' | sort)
fi
failed=""
for exe in "$@"; do
    exe=$(realpath "$exe")
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
"$wineserver" -k 2>/dev/null || true
[ -z "$failed" ] || { echo "wine: failed:$failed"; exit 1; }
