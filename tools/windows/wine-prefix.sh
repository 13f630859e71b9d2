# Sourced by the Wine scripts: the Wine prefix ($ZEL_WINEPREFIX, default
# $build/wine), made once, with Wine's diagnostics off.
#
# A Windows machine has Arial; Wine has no Arial of its own, so the prefix
# names the host's metric-compatible face (Liberation Sans, package
# fonts-liberation2) in its place, the way the Linux build's fontconfig does.
export WINEPREFIX=${ZEL_WINEPREFIX:-$build/wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
for p in wine wine64 fonts-liberation2; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
            wine wine64 fonts-liberation2 >&2
done

if [ ! -f "$WINEPREFIX/.zeltarik-ready" ]; then
    prefix_start=$(date +%s)
    "$wine" wineboot --init >/dev/null 2>&1
    for face in Arial "Arial Bold" "Arial Italic" "Arial Bold Italic"; do
        "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "Liberation Sans" /f \
            >/dev/null 2>&1
    done
    "$wineserver" -w
    touch "$WINEPREFIX/.zeltarik-ready"
    echo "wine: prefix $WINEPREFIX made in $(( $(date +%s) - prefix_start )) s"
fi
