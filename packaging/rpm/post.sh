# The machine-wide folder of the workbooks, shared by the group "zeltarik":
# mode 2775, so that each member may replace the workbook another wrote (no
# sticky bit) and every file stays in the group.
for folder in /var/lib/zeltarik /var/lib/zeltarik/ZUVR; do
    [ -d "$folder" ] || mkdir "$folder"
    chown root:zeltarik "$folder"
    chmod 2775 "$folder"
done
exit 0
