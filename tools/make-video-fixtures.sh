#!/bin/sh
# Re-makes the Ogg Theora fixtures of the video tests (tests/media/data/*.ogv) with libtheora's
# encoder. Run from anywhere; needs the build dependencies of tools/install-deps.sh.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c++ -std=c++20 -O2 -Wall -Wextra -I"$root" "$root/tools/video/MakeVideoFixtures.cpp" \
    -o "$work/make-video-fixtures" $(pkg-config --cflags --libs theoraenc ogg)
"$work/make-video-fixtures" "$root/tests/media/data"
