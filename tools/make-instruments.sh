#!/bin/bash
# Makes the instruments Kantilo ships (resources/instrumente/*.wav) from the General MIDI
# SoundFont FluidR3 (Debian package fluid-soundfont-gm, MIT licence) with fluidsynth and SoX:
# each one a single C4 tuned to exactly 264 Hz, Kantilo's C4, so that the sampler's default
# base frequency is right for all of them; mono, 16 bits, 44100 Hz, at most 9 seconds.
#
#   bash tools/make-instruments.sh [SOUNDFONT]
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
font="${1:-/usr/share/sounds/sf2/FluidR3_GM.sf2}"
out="$here/resources/instrumente"
py="${PYTHON:-/usr/bin/python3}"
for tool in fluidsynth sox "$py"; do
  command -v "$tool" >/dev/null || { echo "make-instruments: $tool fehlt" >&2; exit 1; }
done
[ -r "$font" ] || { echo "make-instruments: $font fehlt (fluid-soundfont-gm)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# name, General MIDI program (0-based), seconds the key is held
instruments=(
  "Klavier 0 8"
  "Orgel 19 8"
  "Flöte 73 8"
  "Klarinette 71 8"
  "Trompete 56 8"
  "Violine 40 8"
  "Gitarre 24 8"
  "Glockenspiel 9 8"
  "Harfe 46 8"
  "Cello 42 8"
)

# One note C4 (MIDI 60) at velocity 100 on channel 1, held for the given seconds.
write_midi() {
  "$py" - "$1" "$2" "$3" <<'PY'
import struct, sys
path, program, seconds = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)
ticks = int(seconds * 960)  # 480 per quarter at 120 per minute
track = (vlq(0) + bytes([0xC0, program]) + vlq(0) + bytes([0x90, 60, 100]) +
         vlq(ticks) + bytes([0x80, 60, 0]) + vlq(480) + bytes([0xFF, 0x2F, 0]))
with open(path, "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480))
    f.write(b"MTrk" + struct.pack(">I", len(track)) + track)
PY
}

# The factor that brings the recording's fundamental to 264 Hz. The samples of the SoundFont
# are tuned to equal temperament, some of them a few cents off (and a vibrato wanders), so
# the fundamental is measured: the strongest frequency near C4 over seconds 0.2 to 3.
tuning() {
  "$py" - "$1" <<'PY'
import sys, wave
import numpy as np
w = wave.open(sys.argv[1])
rate, channels = w.getframerate(), w.getnchannels()
data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(float)
data = data.reshape(-1, channels).mean(axis=1)[int(0.2 * rate):int(3 * rate)]
size = 1 << 22
spectrum = np.abs(np.fft.rfft(data * np.hanning(len(data)), size))
freqs = np.fft.rfftfreq(size, 1 / rate)
band = (freqs > 240) & (freqs < 285)
print(repr(264 / freqs[band][np.argmax(spectrum[band])]))
PY
}

for entry in "${instruments[@]}"; do
  read -r name program seconds <<<"$entry"
  write_midi "$work/$program.mid" "$program" "$seconds"
  fluidsynth -n -i -q -R 0 -C 0 -g 0.6 -r 44100 -F "$work/$program.raw.wav" -T wav \
    "$font" "$work/$program.mid" >/dev/null
  speed="$(tuning "$work/$program.raw.wav")"
  # Mono, retuned by resampling, the silence before the attack cut off, at most 9 s with a
  # short fade at the end, peak at -3 dB.
  sox "$work/$program.raw.wav" -b 16 -c 1 "$work/$program.wav" \
    remix - speed "$speed" rate -v 44100 silence 1 0.002 0.1% trim 0 9 fade t 0 9 0.3 norm -3
  sox "$work/$program.wav" -b 16 -c 1 -r 44100 -e signed-integer "$out/$name.wav"
  echo "$name: $(soxi -D "$out/$name.wav") s, Faktor $speed"
done
