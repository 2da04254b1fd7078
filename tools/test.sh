#!/bin/bash
# Installs what is missing, builds Kantilo and runs every test: the release build with the
# GUI tests (offscreen, Xvfb, a private PulseAudio server), the Debian package made from that
# build, installed, checked and purged again, every test again with the whole program built
# under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs="$(nproc)"
fuzz_seconds="${KANTILO_FUZZ_SECONDS:-30}"
passed=0

skipped=0
count_passed() {  # reads ctest's "100% tests passed, 0 tests failed out of N" and its skips
  local n s
  n="$(grep -Eo 'tests failed out of [0-9]+' "$1" | tail -1 | awk '{print $NF}')"
  s="$(grep -Ec '^[[:space:]]*[0-9]+ - .*\(Skipped\)$' "$1" || true)"
  passed=$((passed + ${n:-0} - s))
  skipped=$((skipped + s))
}

# The performance corpus is rendered once (FluidSynth and SoX take a while) and measured by both
# test runs; its folder is named after the script that renders it, so a changed script renders
# it anew.
KANTILO_PERFORMANCES="$PWD/build/performances-$(sha256sum tests/transcription/performances.py | cut -c1-12)"
export KANTILO_PERFORMANCES

echo "== release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600 | tee build/ctest.log
count_passed build/ctest.log

echo "== Debian package (from the release build)"
bash tools/package.sh
package_status=0
bash tests/scripts/package_check.sh build/kantilo_*.deb . | tee build/package-check.log || package_status=$?
if ((package_status == 77)); then
  echo "package check skipped (needs root)"
  skipped=$((skipped + 1))
elif ((package_status != 0)); then
  exit "$package_status"
else
  passed=$((passed + $(grep -Eo '^package: [0-9]+ passed' build/package-check.log | awk '{print $2}')))
fi

echo "== sanitizer build (the whole program, editor included)"
# Every test of the release build again, under AddressSanitizer and UndefinedBehaviorSanitizer.
# LeakSanitizer suppresses what the system's sound library keeps, and nothing of ours.
# -O1 keeps the assertions and makes the instrumented program about twice as quick as -O0.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DKANTILO_SANITIZE=ON -DKANTILO_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp" \
  UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 900 | tee build-asan/ctest.log
count_passed build-asan/ctest.log

echo "== fuzzers (${fuzz_seconds}s each)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKANTILO_FUZZ=ON -DKANTILO_GUI=OFF -DKANTILO_TESTS=OFF -DKANTILO_BENCH=OFF
cmake --build build-fuzz -j"$jobs"
for fuzzer in build-fuzz/fuzz/*_fuzzer; do
  name="$(basename "$fuzzer" _fuzzer)"
  seeds="fuzz/corpus/${name%_reader}"
  work="build-fuzz/corpus-$name"
  mkdir -p "$work"
  "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "$work" "$seeds" 2>&1 | tail -15
  passed=$((passed + 1))
done

echo "kantilo: $passed passed, 0 failed, $skipped skipped"
