#!/bin/sh
# Starts the editor on a private X server, enters a song of two rows with the mouse, saves a
# screenshot and checks that the window shows the score.
# Usage: editor_xvfb.sh PROGRAM SCREENSHOT_DIR
set -u
program=$1
shots=$2
mkdir -p "$shots"
work=$(mktemp -d)
xvfb_pid=""
app_pid=""

finish() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "FEHLER: $*" >&2; exit 1; }

# A display number nobody uses.
display=""
for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=":$n"
        break
    fi
done
[ -n "$display" ] || fail "kein freier X-Bildschirm"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
for i in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb startet nicht"

# The program's own settings stay in the scratch directory.
HOME="$work" XDG_CONFIG_HOME="$work/.config" QT_QPA_PLATFORM=xcb "$program" >"$work/app.log" 2>&1 &
app_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "Unbenannt - Kantilo" | head -n 1)
[ -n "$window" ] || fail "kein Fenster \"Unbenannt - Kantilo\""
sleep 0.5

# Where the sheet starts: the top staff line of the first row is glyph row 14, found in the
# column x = 500 of the window (inside the empty staff, right of the toolbar).
import -window "$window" "$work/empty.png" || fail "kein Bildschirmfoto"
staff_top=$(convert "$work/empty.png" -crop 1x400+500+0 -threshold 50% txt:- |
    awk -F'[,:]' '/#000000|black/ { print $2; exit }')
[ -n "$staff_top" ] || fail "keine Notenlinie gefunden"
sheet_top=$((staff_top - 14))

# Twenty half notes: more than one row holds. Heights inside the bands A4, C5, E5, F4, D4, B4.
i=0
for r in 31 24 17 38 45 28 31 24 17 38 45 28 31 24 17 38 45 28 31 24; do
    x=$((100 + (i % 10) * 45))
    xdotool mousemove --window "$window" "$x" $((sheet_top + r)) click 1
    sleep 0.15
    i=$((i + 1))
done
sleep 0.5

import -window root "$shots/editor.png" || fail "kein Bildschirmfoto"
import -window "$window" "$work/song.png" || fail "kein Bildschirmfoto"
colours=$(identify -format '%k' "$shots/editor.png")
[ "$colours" -gt 8 ] || fail "Bildschirmfoto ist leer ($colours Farben)"

# Row two exists: its top staff line is dark, 75 pixels below row one's.
row2=$(convert "$work/song.png" -crop 1x1+500+$((staff_top + 75)) -format '%[fx:intensity]' info:)
awk -v v="$row2" 'BEGIN { exit !(v < 0.5) }' || fail "keine zweite Zeile (Helligkeit $row2)"
# Below the second row the sheet is white.
row3=$(convert "$work/song.png" -crop 1x1+500+$((staff_top + 150)) -format '%[fx:intensity]' info:)
awk -v v="$row3" 'BEGIN { exit !(v > 0.5) }' || fail "unerwartete dritte Zeile"
kill -0 "$app_pid" 2>/dev/null || fail "das Programm lief nicht mehr"
echo "Bildschirmfoto: $shots/editor.png"
