#!/usr/bin/env bash
# Time and peak memory of the engraved pages for a long song: 10,000 bars (or the number given)
# of four eighths and two quarters over the whole scale, written as PDF, SVG and PNG by the
# command line, measured with /usr/bin/time -v.
#
#   bash bench/pages_memory.sh [path/to/kantilo] [bars]      (default: build/kantilo 10000)
set -euo pipefail

kantilo=$(realpath "${1:-build/kantilo}")
bars=${2:-10000}
[[ -x "$kantilo" ]] || { echo "no program at $kantilo (build it first)" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is not installed (apt-get install time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The song file: controller, sheet, the four staff symbols, then the bars.
python3 - "$work/lang.kt" "$bars" <<'PY'
import struct, sys

def note(duration, pitch, glyph):
    return struct.pack('<IIIIHI', 0, 0, 0, duration, pitch, glyph)

def new_class(name):
    return struct.pack('<HHH', 0xFFFF, 1, len(name)) + name.encode()

scale = [(264, 4210), (297, 4310), (330, 4410), (352, 4510), (396, 4610), (440, 4110),
         (495, 4710), (528, 4220), (594, 4320), (660, 4420), (704, 4520), (792, 4620),
         (880, 4120)]
bars = int(sys.argv[2])
out = bytearray()
out += new_class('CController') + new_class('CNotenblatt')
out += new_class('CNote') + struct.pack('<IIIIHI', 0, 0, 1, 0, 0, 4820)
for glyph in (4880, 4800, 4810):
    out += struct.pack('<H', 0x8005) + struct.pack('<IIIIHI', 0, 0, 1, 0, 0, glyph)
# Counts from 0xFFFF on follow an escape word.
out += struct.pack('<H', bars) if bars < 0xFFFF else struct.pack('<HI', 0xFFFF, bars)
for b in range(bars):
    out += new_class('CTakt') if b == 0 else struct.pack('<H', 0x800A)
    out += struct.pack('<IIH', 8, 8, 6)
    for i, length in enumerate((1, 1, 1, 1, 2, 2)):
        hz, base = scale[(b * 3 + i * 2) % len(scale)]
        out += struct.pack('<H', 0x8005) + note(length, hz, base + length)
open(sys.argv[1], 'wb').write(out)
PY

echo "song: $bars bars, $(stat -c %s "$work/lang.kt") bytes"
for ext in pdf svg png; do
    /usr/bin/time -v "$kantilo" "$work/lang.kt" -o "$work/lang.$ext" 2>"$work/time.txt" >/dev/null ||
        { echo "$ext: failed"; cat "$work/time.txt"; continue; }
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$work/time.txt")
    peak=$(awk -F': ' '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }' "$work/time.txt")
    files=$(find "$work" -name "lang*.$ext" | wc -l)
    size=$(find "$work" -name "lang*.$ext" -printf '%s\n' | awk '{ s += $1 } END { printf "%.1f", s / 1048576 }')
    echo "$ext: $seconds wall, peak $peak MiB, $files file(s), $size MiB"
    find "$work" -name "lang*.$ext" -delete
done
