#!/bin/sh
# Plays a long song in the real editor on a private X server and sound server, takes a
# screenshot of the cursor half a minute in (the view has scrolled down to it) and checks that
# the cursor's orange band is on screen and that "Lied stoppen" takes it away.
# Usage: preview_xvfb.sh PROGRAM SCREENSHOT_DIR SOURCE_DIR
set -u
program=$1
shots=$2
source_dir=$3
mkdir -p "$shots"
. "$(dirname "$0")/xvfb_common.sh"

servers=$(bash "$source_dir/tools/start-pulse.sh" "$work/pulse") || { echo "übersprungen: kein Soundserver"; exit 77; }
eval "$servers"

# A song of 200 eighths over the scale, as a MusicXML score the editor imports.
python3 - "$work/lang.musicxml" <<'PY'
import sys
steps = [("C", 4), ("D", 4), ("E", 4), ("F", 4), ("G", 4), ("A", 4), ("B", 4), ("C", 5),
         ("D", 5), ("E", 5), ("F", 5), ("G", 5), ("A", 5)]
measures = []
for m in range(25):
    notes = "".join(
        "<note><pitch><step>%s</step><octave>%d</octave></pitch><duration>1</duration>"
        "<type>eighth</type></note>" % steps[(m * 8 + i) % 13] for i in range(8))
    attributes = ("<attributes><divisions>2</divisions><time><beats>4</beats>"
                  "<beat-type>4</beat-type></time><clef><sign>G</sign><line>2</line></clef>"
                  "</attributes>") if m == 0 else ""
    measures.append('<measure number="%d">%s%s</measure>' % (m + 1, attributes, notes))
open(sys.argv[1], "w").write(
    '<?xml version="1.0" encoding="UTF-8"?><score-partwise version="4.0"><part-list>'
    '<score-part id="P1"><part-name>Lied</part-name></score-part></part-list>'
    '<part id="P1">' + "".join(measures) + "</part></score-partwise>")
PY

start_xvfb

HOME="$work" XDG_CONFIG_HOME="$work/.config" QT_QPA_PLATFORM=xcb "$program" "$work/lang.musicxml" \
    >"$work/app.log" 2>&1 &
app_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "Kantilo" | head -n 1)
[ -n "$window" ] || fail "kein Fenster"
xdotool windowsize --sync "$window" 700 420
sleep 1

# The toolbar's last button is "Lied vorhören", the one before it "Lied stoppen" (16 pixels
# wide, 23 apart from the left edge of the window without a window manager).
xdotool mousemove --window "$window" 428 34 click 1
sleep 30
import -window "$window" "$shots/preview-cursor.png" 2>/dev/null || fail "kein Bildschirmfoto"
orange() {
    convert "$1" -fuzz 12% -fill white +opaque '#ffcf99' -fill black -opaque '#ffcf99' \
        -format '%[fx:int((1-mean)*w*h+0.5)]' info: 2>/dev/null
}
marked=$(orange "$shots/preview-cursor.png")
echo "Cursor: $marked Bildpunkte"
[ "${marked:-0}" -ge 100 ] || fail "kein Cursor im Bild"
xdotool mousemove --window "$window" 403 34 click 1
sleep 0.5
import -window "$window" "$work/stopped.png" 2>/dev/null
stopped=$(orange "$work/stopped.png")
[ "${stopped:-1}" -lt 100 ] || fail "der Cursor bleibt nach dem Stoppen"
echo "ok: Cursor im Bild ($shots/preview-cursor.png), nach dem Stoppen fort"
