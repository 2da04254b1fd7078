#!/usr/bin/env bash
# Times the whole command-line render of a ten-minute song (300 bars of A4 quarter notes,
# a 44.1 kHz 16-bit stereo instrument, quality 50, so a 99-tap filter) against sox running a
# 99-tap FIR with the same coefficients over a song of the same length and format, and
# reports the peak memory of the render.
#
#   bash bench/compare_sox.sh [path/to/kantilo]      (default: build/kantilo)
#
# sox's FIR costs the same whatever the samples are, so it gets the rendered song as input.
# Uses hyperfine when installed, else bash's time over three runs each.
set -euo pipefail

kantilo=$(realpath "${1:-build/kantilo}")
[[ -x "$kantilo" ]] || { echo "no program at $kantilo (build it first)" >&2; exit 1; }
command -v sox >/dev/null || { echo "sox is not installed (apt-get install sox)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The song file: controller, sheet, the four staff symbols, then 300 bars of four quarters.
python3 - "$work/song.kt" <<'EOF'
import struct, sys

def note(tie_next, tie_prev, rest, duration, pitch, glyph):
    return struct.pack('<IIIIHI', tie_next, tie_prev, rest, duration, pitch, glyph)

def new_class(name):
    return struct.pack('<HHH', 0xFFFF, 1, len(name)) + name.encode()

bars = 300
out = bytearray()
out += new_class('CController') + new_class('CNotenblatt')
out += new_class('CNote') + note(0, 0, 1, 0, 0, 4820)
for glyph in (4880, 4800, 4810):
    out += struct.pack('<H', 0x8005) + note(0, 0, 1, 0, 0, glyph)
out += struct.pack('<H', bars)
for b in range(bars):
    out += new_class('CTakt') if b == 0 else struct.pack('<H', 0x800A)
    out += struct.pack('<IIH', 8, 8, 4)
    for _ in range(4):
        out += struct.pack('<H', 0x8005) + note(0, 0, 0, 2, 440, 4112)
open(sys.argv[1], 'wb').write(out)
EOF

# A three-second stereo instrument at the base frequency 264 Hz.
sox -n -r 44100 -b 16 -c 2 "$work/instrument.wav" synth 3 sine 264 sine 396

# The program's 99 coefficients: a truncated sinc with its cut-off at a quarter of the rate.
python3 - > "$work/coefficients.txt" <<'EOF'
import math, struct
pi, half = 3.1415926535, 49
def single(x):
    return struct.unpack('f', struct.pack('f', x))[0]
for k in range(2 * half + 1):
    i = abs(k - half)
    print(repr(0.5 if i == 0 else single(math.sin(i * pi * 0.5) / (i * pi))))
EOF

render=("$kantilo" "$work/song.kt" -o "$work/song.wav" --instrument "$work/instrument.wav"
        --base 264 --quality 50)
fir=(sox -D "$work/song.wav" "$work/fir.wav" fir "$work/coefficients.txt")

"${render[@]}" >/dev/null
echo "song: $(soxi -d "$work/song.wav"), $(soxi -r "$work/song.wav") Hz," \
     "$(soxi -c "$work/song.wav") channels, $(soxi -b "$work/song.wav") bits"

if command -v hyperfine >/dev/null; then
    hyperfine --warmup 1 --runs 5 -N \
        -n kantilo "$(printf '%q ' "${render[@]}")" \
        -n "sox fir" "$(printf '%q ' "${fir[@]}")"
else
    for name in render fir; do
        declare -n command="$name"
        echo "== $name: ${command[*]}"
        for _ in 1 2 3; do
            ( TIMEFORMAT="%R s real, %U s user, %S s sys"; time "${command[@]}" >/dev/null )
        done
    done
fi

if [[ -x /usr/bin/time ]]; then
    /usr/bin/time -f "kantilo peak memory: %M KiB (the song alone: $(( $(stat -c %s "$work/song.wav") / 1024 )) KiB)" \
        "${render[@]}" >/dev/null
fi
