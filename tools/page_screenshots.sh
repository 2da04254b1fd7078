#!/usr/bin/env bash
# Page 1 of a three-page song as Kantilo engraves it, beside MuseScore 3's engraving of the
# MusicXML Kantilo exports of the same song, for people to compare: build/screenshots/
# seite1-kantilo.png, seite1-musescore3.png and seite1-nebeneinander.png.
#
#   bash tools/page_screenshots.sh [path/to/kantilo]      (default: build/kantilo)
#
# The song is made up of the scale's notes in eighths, quarters, halves and wholes, with
# rests and ties across bar lines and rows, the same every time.
set -euo pipefail

kantilo=$(realpath "${1:-build/kantilo}")
shots=$(dirname "$kantilo")/screenshots
[[ -x "$kantilo" ]] || { echo "no program at $kantilo (build it first)" >&2; exit 1; }
for tool in pdftoppm mscore3 montage; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$shots"

python3 - >"$work/lied.musicxml" <<'PY'
import random
random.seed(3)
steps = ['C4', 'D4', 'E4', 'F4', 'G4', 'A4', 'B4', 'C5', 'D5', 'E5', 'F5', 'G5', 'A5']
types = {1: 'eighth', 2: 'quarter', 4: 'half', 8: 'whole'}
bars = [[2, 2, 2, 2], [1, 1, 1, 1, 2, 2], [1] * 8, [4, 2, 1, 1], [2, 1, 1, 4], [8], [4, 4],
        [2, 2, 1, 1, 1, 1], [1, 1, 2, 2, 2]]
out = ['<?xml version="1.0" encoding="UTF-8"?>',
       '<score-partwise version="4.0"><part-list><score-part id="P1"><part-name>M</part-name>'
       '</score-part></part-list><part id="P1">']
pitch, tie = 4, False
for number in range(1, 151):
    out.append('<measure number="%d">' % number)
    if number == 1:
        out.append('<attributes><divisions>2</divisions><time><beats>4</beats>'
                   '<beat-type>4</beat-type></time><clef><sign>G</sign><line>2</line></clef>'
                   '</attributes>')
    for length in random.choice(bars):
        rest = random.random() < 0.08 and not tie
        if not tie:
            pitch = max(0, min(12, pitch + random.choice([-2, -1, -1, 0, 1, 1, 2])))
        stop, tie = tie, not rest and random.random() < 0.15
        if rest:
            out.append('<note><rest/><duration>%d</duration><type>%s</type></note>'
                       % (length, types[length]))
            continue
        ties = ('<tie type="stop"/>' if stop else '') + ('<tie type="start"/>' if tie else '')
        tied = ('<tied type="stop"/>' if stop else '') + ('<tied type="start"/>' if tie else '')
        out.append('<note><pitch><step>%s</step><octave>%s</octave></pitch><duration>%d'
                   '</duration>%s<type>%s</type><notations>%s</notations></note>'
                   % (steps[pitch][0], steps[pitch][1], length, ties, types[length], tied))
    out.append('</measure>')
out.append('</part></score-partwise>')
print('\n'.join(out))
PY

cd "$work"
"$kantilo" lied.musicxml -o lied.kt
"$kantilo" lied.kt -o lied.pdf
"$kantilo" lied.kt -o export.musicxml
mv export.musicxml lied.musicxml
QT_QPA_PLATFORM=offscreen mscore3 -o musescore.pdf lied.musicxml >/dev/null 2>&1
pdftoppm -png -r 110 -f 1 -l 1 -singlefile lied.pdf "$shots/seite1-kantilo"
pdftoppm -png -r 110 -f 1 -l 1 -singlefile musescore.pdf "$shots/seite1-musescore3"
montage "$shots/seite1-kantilo.png" "$shots/seite1-musescore3.png" -tile 2x1 -geometry +8+0 \
    "$shots/seite1-nebeneinander.png"
echo "$(pdfinfo lied.pdf | awk '/^Pages/ { print $2 }') Kantilo pages;" \
     "pictures in $shots"
