#!/bin/sh
# Runs one fuzz target for a bounded time:
#     run-fuzzer.sh <build>/tests/fuzz/fuzz_<name> <seconds> <work folder> <seed folder> [options…]
# New inputs go to <work folder>/corpus, which later runs start from; a crash, hang or
# out-of-memory input is written to <work folder>/findings and fails the run. The target's
# dictionary, tests/fuzz/<name>.dict, is used when there is one.
set -eu
target=$1
seconds=$2
work=$3
seeds=$4
shift 4
mkdir -p "$work/corpus" "$work/findings"
here=$(cd "$(dirname "$0")" && pwd)
name=${target##*/fuzz_}
if [ -f "$here/$name.dict" ]; then
    set -- -dict="$here/$name.dict" "$@"
fi
# Leaks inside system libraries that the program cannot free (see the list).
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1"
# llvm-14 installs its symbolizer under a versioned name only.
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && ! command -v llvm-symbolizer >/dev/null 2>&1 &&
        [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]; then
    export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
fi
# The decoders write a line to stderr for every bad input they refuse; -close_fd_mask=2 keeps
# those out of the log (libFuzzer's own report and the sanitizers' still come through).
exec "$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 -close_fd_mask=2 \
    -print_final_stats=1 -artifact_prefix="$work/findings/" "$@" "$work/corpus" "$seeds"
