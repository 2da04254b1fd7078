#!/bin/sh
# Starts the editor on a private X server (its settings file a FIFO), enters a song of two rows with the mouse, saves a
# screenshot and checks that the window shows the score.
# Usage: editor_xvfb.sh PROGRAM SCREENSHOT_DIR
set -u
program=$1
shots=$2
mkdir -p "$shots"
. "$(dirname "$0")/xvfb_common.sh"
start_xvfb

# The program's own settings stay in the scratch directory. The settings file is a FIFO there,
# which the program must take as empty, never wait on, and never replace.
settings="$work/.config/Local AppWizard-Generated Applications/Kantilo.conf"
mkdir -p "$(dirname "$settings")" && mkfifo "$settings" || fail "keine FIFO"
HOME="$work" XDG_CONFIG_HOME="$work/.config" QT_QPA_PLATFORM=xcb "$program" >"$work/app.log" 2>&1 &
app_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "Unbenannt - Kantilo" | head -n 1)
[ -n "$window" ] || fail "kein Fenster \"Unbenannt - Kantilo\""
sleep 0.5

# Where the sheet starts: the five staff lines of the first row (glyph rows 14 to 42, seven
# pixels apart) in the column x = 500 of the window, right of the toolbar. Until the window
# has been painted they are not there yet.
find_staff() {
    import -window "$window" "$work/empty.png" 2>/dev/null || return
    convert "$work/empty.png" -crop 1x400+500+0 -threshold 50% txt:- | awk -F'[,:]' '
        /^[0-9]/ { dark[$2] = ($0 ~ /#000000|black/) }
        END {
            for (y = 0; y < 360; y++) {
                if (dark[y] && dark[y + 7] && dark[y + 14] && dark[y + 21] && dark[y + 28] &&
                    !dark[y + 3] && !dark[y + 10] && !dark[y - 1]) { print y; exit }
            }
        }'
}
staff_top=""
for i in $(seq 1 100); do
    staff_top=$(find_staff)
    [ -n "$staff_top" ] && break
    sleep 0.1
done
[ -n "$staff_top" ] || fail "keine Notenlinien gefunden"
sheet_top=$((staff_top - 14))

# Twenty half notes: more than one row holds. Heights inside the bands A4, C5, E5, F4, D4, B4.
i=0
for r in 31 24 17 38 45 28 31 24 17 38 45 28 31 24 17 38 45 28 31 24; do
    x=$((100 + (i % 10) * 45))
    xdotool mousemove --window "$window" "$x" $((sheet_top + r)) click 1
    sleep 0.15
    i=$((i + 1))
done

# Row two appears: its top staff line is dark, 75 pixels below row one's.
intensity() {
    import -window "$window" "$work/song.png" 2>/dev/null &&
        convert "$work/song.png" -crop 1x1+500+"$1" -format '%[fx:intensity]' info:
}
row2=1
for i in $(seq 1 50); do
    row2=$(intensity $((staff_top + 75)))
    awk -v v="$row2" 'BEGIN { exit !(v < 0.5) }' && break
    sleep 0.1
done
awk -v v="$row2" 'BEGIN { exit !(v < 0.5) }' || fail "keine zweite Zeile (Helligkeit $row2)"
# Below the second row the sheet stays white.
row3=$(intensity $((staff_top + 150)))
awk -v v="$row3" 'BEGIN { exit !(v > 0.5) }' || fail "unerwartete dritte Zeile"

import -window root "$shots/editor.png" || fail "kein Bildschirmfoto"
colours=$(identify -format '%k' "$shots/editor.png")
[ "$colours" -gt 8 ] || fail "Bildschirmfoto ist leer ($colours Farben)"
kill -0 "$app_pid" 2>/dev/null || fail "das Programm lief nicht mehr"
[ -p "$settings" ] || fail "die Einstellungsdatei ist keine FIFO mehr"
echo "Bildschirmfoto: $shots/editor.png"
