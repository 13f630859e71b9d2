#!/bin/sh
# What an RPM-based system will see of the package: its integrity, the
# requirements rpmbuild computed from the executable beside the ones written
# by hand, the files and where they go, and the scripts that make the shared
# folder.
#     check-rpm.sh PACKAGE.rpm APP-ID
set -eu
rpm=$1
id=$2
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

rpm -K --nosignature "$rpm"
requires=$(rpm -qpR "$rpm")
echo "$requires"
for wanted in 'libSDL2-2.0.so.0()(64bit)' 'libxerces-c-3.2.so()(64bit)' 'libcups.so.2()(64bit)' \
    'libfontconfig.so.1()(64bit)' 'libfreetype.so.6()(64bit)' 'libcairo.so.2()(64bit)' \
    'libpng16.so.16()(64bit)' 'libtheoradec.so.1()(64bit)' 'libvorbisfile.so.3()(64bit)' \
    'font(liberationsans)' 'fontconfig' '/usr/sbin/groupadd'; do
    echo "$requires" | grep -qxF "$wanted" || fail "the package does not require $wanted"
done

files=$(rpm -qpl "$rpm")
echo "$files"
for wanted in /usr/bin/zeltarik /usr/share/applications/$id.desktop \
    /usr/share/metainfo/$id.metainfo.xml \
    /usr/share/icons/hicolor/256x256/apps/zeltarik.png \
    /usr/share/icons/hicolor/scalable/apps/zeltarik.svg /usr/share/man/man6/zeltarik.6.gz; do
    echo "$files" | grep -qxF "$wanted" || fail "the package lacks $wanted"
done
# Folders of the system's own packages must not be claimed.
for foreign in /usr/share/applications /usr/share/icons/hicolor /usr/share/man/man6; do
    if echo "$files" | grep -qxF "$foreign"; then
        fail "the package claims $foreign"
    fi
done

scripts=$(rpm -qp --scripts "$rpm")
echo "$scripts" | grep -q 'groupadd --system zeltarik' || fail "no group is made on install"
echo "$scripts" | grep -q 'chmod 2775 "$folder"' || fail "the shared folder is not made"
echo "PASSED: $rpm"
