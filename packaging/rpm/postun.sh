# On removal (not on an upgrade) the folder goes only when no workbook is left.
if [ "$1" = 0 ]; then
    rmdir /var/lib/zeltarik/ZUVR 2>/dev/null || true
    rmdir /var/lib/zeltarik 2>/dev/null || true
fi
exit 0
