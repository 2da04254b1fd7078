#!/bin/bash
# Peak memory (maximum resident set size) and time of whole conversions of long songs, as a
# user runs them: `kantilo SONG.kt -o OUT.FORMAT` under /usr/bin/time -v, for songs of 10,000
# and 100,000 measures and for a .kt of 64 MiB (the largest Kantilo opens), in every format
# named. The goal: at most 300 MiB for 100,000 measures, time linear in the length, and the
# 64 MiB song converted or refused with a message, never above 1 GiB.
# Usage: bench/memory.sh [BUILD_DIR] [FORMAT...]   (default: build, kt wav musicxml mid pdf svg png)
set -euo pipefail
build="$(realpath "${1:-build}")"
shift || true
formats=("$@")
((${#formats[@]})) || formats=(kt wav musicxml mid pdf svg png)
kantilo="$build/kantilo"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# 64 MiB over the bytes a measure of the generated song takes.
"$build/bench/kantilo_long_song" 1000 "$work/probe.kt"
big=$(( (64 << 20) * 1000 / $(stat -c %s "$work/probe.kt") ))

printf '%-9s %-9s %10s %9s %5s  %s\n' measures format "peak MiB" seconds exit message
for measures in 10000 100000 "$big"; do
  song="$work/lied-$measures.kt"
  "$build/bench/kantilo_long_song" "$measures" "$song"
  for format in "${formats[@]}"; do
    out="$work/aus.$format"
    status=0
    /usr/bin/time -v -o "$work/time" "$kantilo" "$song" -o "$out" 2>"$work/err" >/dev/null ||
      status=$?
    rss=$(awk -F': ' '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }' "$work/time")
    secs=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0
             for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$work/time")
    printf '%-9s %-9s %10s %9s %5s  %s\n' "$measures" "$format" "$rss" "$secs" "$status" \
      "$(grep -v '^Command exited' "$work/err" | head -c 200 | head -n 1)"
    rm -f "$out"
  done
  rm -f "$song"
done
