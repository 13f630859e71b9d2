#!/bin/bash
# The real Windows program under Wine in a window on Xvfb, as a teacher and a
# child use it: the start screen shows (compared on pixels with the one the
# Linux build draws headless), a typed name is taken, and the window's close
# writes the workbook into Wine's common application-data folder.
#     tools/windows/program-run.sh BUILD_WINDOWS EXPECTED_START.png SCREEN_MATCH [NAME]
# Environment: ZEL_WINEPREFIX (default BUILD_WINDOWS/wine), ZEL_WINE_DISPLAY
# (an X display number for Xvfb, default: one Xvfb picks itself).
set -eu

build=$(cd "$1" && pwd)
expected=$2
screen_match=$3
name=${4:-Петя}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb=""
wineserver=/usr/lib/wine/wineserver64
program=""
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    "$wineserver" -k 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "program-run: $*" >&2; [ -f "$work/program.log" ] && tail -20 "$work/program.log" >&2; exit 1; }

# The screen is the scene's size, so the full-screen window shows it pixel
# for pixel, as the headless drawing has it.
mkdir -p "$work/fb"
if [ -n "${ZEL_WINE_DISPLAY:-}" ]; then
    Xvfb ":$ZEL_WINE_DISPLAY" -screen 0 800x600x24 -fbdir "$work/fb" -nolisten tcp \
        >/dev/null 2>&1 &
    xvfb=$!
    display=":$ZEL_WINE_DISPLAY"
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$ZEL_WINE_DISPLAY" ] && break; sleep 0.1; done
else
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 800x600x24 -fbdir "$work/fb" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    display=":$(head -1 "$work/display")"
fi
export DISPLAY=$display

. "$here/wine-prefix.sh"
shared=$WINEPREFIX/drive_c/ProgramData/ZUVR
workbook="$shared/00517 Тренажер «Зельтарик».xls"
rm -f "$workbook"

# The name's letters on keys of their own before Wine reads the keyboard.
/usr/bin/python3 "$here/map-letters.py" "$name" || fail "cannot put the letters of $name on keys"

start=$(date +%s)
SDL_AUDIODRIVER=dummy "$wine" "$build/zeltarik.exe" >"$work/program.log" 2>&1 &
program=$!
window=$(timeout 90 xdotool search --sync --onlyvisible --class zeltarik | head -1)
[ -n "$window" ] || fail "no window within 90 s"
echo "program-run: window after $(( $(date +%s) - start )) s"

shown=no
for _ in $(seq 60); do
    if "$screen_match" "$work/fb/Xvfb_screen0" "$expected" 0.9 "$work/shown.png" >"$work/match" 2>&1; then
        shown=yes; break
    fi
    sleep 0.5
done
[ "$shown" = yes ] || fail "the start screen did not show: $(cat "$work/match")"
echo "program-run: start screen shown ($(cat "$work/match"))"

# No window manager gives the window the keyboard: the child's click would.
xdotool windowfocus "$window" 2>/dev/null || true
xdotool mousemove 400 469 click 1
sleep 0.3
# The share of the screen that agrees with the start screen as drawn headless.
agreeing() {
    "$screen_match" "$work/fb/Xvfb_screen0" "$expected" 0 "$work/now.png" 2>/dev/null |
        awk '{ print $1 }'
}
before=$(agreeing)
xdotool type --delay 60 "$name"
# Wine hands typed letters to the program a step after their keys, and a
# Return pressed before they are in the field starts the run without a name:
# it waits until the name's letters change the screen (a few hundred pixels,
# where the caret's blinking changes a few dozen), then a moment longer.
typed=no
for _ in $(seq 40); do
    now=$(agreeing)
    if awk -v a="$before" -v b="$now" 'BEGIN { exit !(b != "" && a - b > 0.00025) }'; then
        typed=yes; break
    fi
    sleep 0.5
done
[ "$typed" = yes ] || fail "the typed name did not appear on the screen"
sleep 1
xdotool key Return
# Enter closes the start screen once the report is prepared for the name; the
# window's close before that would find no report to save. Under Wine on a
# busy machine that can take seconds.
left=no
for _ in $(seq 120); do
    kill -0 "$program" 2>/dev/null || fail "the program ended after the name"
    if ! "$screen_match" "$work/fb/Xvfb_screen0" "$expected" 0.9 "$work/after.png" >/dev/null 2>&1; then
        left=yes; break
    fi
    sleep 0.5
done
[ "$left" = yes ] || fail "the start screen stayed after Enter"
sleep 1

# The window's close, as Windows sends it (taskkill without /f posts WM_CLOSE).
"$wine" taskkill /im zeltarik.exe >/dev/null 2>&1 || true
for _ in $(seq 60); do kill -0 "$program" 2>/dev/null || break; sleep 0.5; done
kill -0 "$program" 2>/dev/null && fail "the program did not end on its window's close"
wait "$program" || fail "the program ended with status $?"
program=""

[ -f "$workbook" ] || fail "no workbook in $shared"
grep -q "ss:Name=\"$name\"" "$workbook" || fail "the workbook has no worksheet \"$name\""
echo "program-run: the workbook $workbook has the worksheet \"$name\" ($(( $(date +%s) - start )) s in all)"
