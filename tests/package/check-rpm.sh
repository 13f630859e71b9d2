#!/bin/sh
# What an RPM-based system will see of the package: its integrity, the
# requirements rpmbuild computed from the executable beside the ones written
# by hand, the files and where they go, and the scripts that make the shared
# folder.
#     check-rpm.sh PACKAGE.rpm APP-ID
set -eu
rpm=$(realpath "$1")
id=$2
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

rpm -K --nosignature "$rpm"
requires=$(rpm -qpR "$rpm")
echo "$requires"
# Every library the executable was linked with, as rpmbuild names them.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && rpm2cpio "$rpm" | cpio -idm --quiet ./usr/bin/zeltarik)
needed=$(objdump -p "$unpacked/usr/bin/zeltarik" | awk '$1 == "NEEDED" { print $2 "()(64bit)" }')
[ -n "$needed" ] || fail "no libraries found in the executable"
for wanted in $needed 'font(liberationsans)' 'fontconfig' '/usr/sbin/groupadd'; do
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
