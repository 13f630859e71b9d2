#!/bin/sh
# Installs the Debian 12 packages the program, its tests, benchmarks and
# packages need (file lets CPack find the executable's libraries, rpm brings
# rpmbuild, cpio opens an RPM for its check, mmdebstrap makes the bare tree
# the package is installed into).
# Idempotent: packages already installed are skipped; sudo is used only when
# not running as root.
set -eu

packages="
build-essential cmake ninja-build pkg-config
libsdl2-dev libfreetype-dev libfontconfig-dev fonts-liberation2
libcups2-dev libcairo2-dev
libxerces-c-dev libboost-dev
libogg-dev libvorbis-dev libtheora-dev
libpng-dev libjpeg62-turbo-dev libagg-dev
libgtest-dev libgmock-dev libbenchmark-dev
xvfb xauth xdotool
weston xwayland libwayland-dev
cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
libreoffice-calc-nogui
file rpm cpio lintian desktop-file-utils appstream mmdebstrap
"

# The fuzz targets (tests/fuzz/): clang with libFuzzer and the sanitizer
# runtimes, and llvm-symbolizer for readable reports. Without them the fuzz
# step of `make test` is skipped, so a failure to install them is not fatal.
fuzz_packages="clang-14 libclang-rt-14-dev llvm-14"

missing() {
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            printf ' %s' "$p"
        fi
    done
}

missing_packages=$(missing $packages)
missing_fuzz=$(missing $fuzz_packages)
[ -z "$missing_packages$missing_fuzz" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    run=""
else
    run="sudo"
fi

export DEBIAN_FRONTEND=noninteractive
$run apt-get update -q
if [ -n "$missing_packages" ]; then
    echo "Installing:$missing_packages"
    $run apt-get install -y -q --no-install-recommends $missing_packages
fi
if [ -n "$missing_fuzz" ]; then
    echo "Installing for the fuzz targets:$missing_fuzz"
    $run apt-get install -y -q --no-install-recommends $missing_fuzz ||
        echo "install-deps: could not install$missing_fuzz; the fuzz targets will be skipped" >&2
fi
