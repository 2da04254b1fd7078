#!/bin/bash
# Installs what is missing, builds Kantilo and starts the editor. Without a display it says
# so and renders the example song to a WAV file instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec ./build/kantilo examples/beispiel.kt
fi
echo "Kein Bildschirm gefunden (DISPLAY ist nicht gesetzt): das Beispiellied wird ohne Editor gerendert."
./build/kantilo examples/beispiel.kt -o build/beispiel.wav
echo "Geschrieben: build/beispiel.wav"
