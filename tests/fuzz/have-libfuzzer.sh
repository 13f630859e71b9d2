#!/bin/sh
# Tells whether the fuzz targets can be built here: clang with libFuzzer and the address and
# undefined sanitizers' runtimes. Exits 0 when they can; otherwise says what is missing.
#     have-libfuzzer.sh <clang++>
set -u
compiler=$1
if ! command -v "$compiler" >/dev/null 2>&1; then
    echo "$compiler is not installed (Debian 12: clang-14, libclang-rt-14-dev)"
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
    'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }' >"$work/probe.cpp"
if ! "$compiler" -fsanitize=fuzzer,address,undefined "$work/probe.cpp" -o "$work/probe" \
        >"$work/log" 2>&1; then
    echo "$compiler cannot link libFuzzer with the sanitizers (Debian 12: libclang-rt-14-dev):"
    sed 's/^/    /' "$work/log" | head -5
    exit 1
fi
exit 0
