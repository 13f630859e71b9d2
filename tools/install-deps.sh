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
cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
libreoffice-calc-nogui
file rpm cpio lintian desktop-file-utils appstream mmdebstrap
"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    run=""
else
    run="sudo"
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$run apt-get update -q
$run apt-get install -y -q --no-install-recommends $missing
