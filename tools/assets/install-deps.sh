#!/bin/sh
# Installs the Debian 12 packages the asset generators need; the normal build
# needs none of them. Idempotent: installed packages are skipped; sudo is used
# only when not running as root.
set -eu

packages="
python3-pil python3-numpy
fonts-dejavu-core fonts-liberation2
ffmpeg vorbis-tools sox
festival festvox-ru espeak-ng
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
