#!/usr/bin/env bash
# Builds Vantorel and runs every test: the Release build with all its tests (unit, rendering,
# simulation soak, X11 and end-to-end tests under Xvfb, some under the XScreenSaver daemon),
# the Debian package made from that build and checked unpacked, the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer, a bounded run of each picture-decoder
# fuzzer, and one pass of the repaint benchmark for its figures.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

echo "== Release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
(cd build && ctest --output-on-failure -j2 --timeout 900) | tee build/ctest.log

echo "== Debian package"
scripts/check-package.sh build

echo "== Sanitizer build and tests"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVT_SANITIZE=ON
cmake --build build-sanitize -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-sanitize &&
  VT_SOAK_MINUTES=${VT_SOAK_MINUTES_SANITIZED:-20} ctest --output-on-failure -j2 --timeout 1800) |
  tee build-sanitize/ctest.log
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

echo "== Fuzzing the picture decoders"
if [ -x scripts/run-fuzzers.sh ]; then
  scripts/run-fuzzers.sh build-fuzz "${VT_FUZZ_SECONDS:-45}"
fi

echo "== Repaint benchmark"
if [ -x build/bench_repaint ]; then
  build/bench_repaint --benchmark_min_time=0.2
fi

# ctest ends each run with "N% tests passed, F tests failed out of T"; add the two runs up.
count() { sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -n 1; }
read -r failed_release total_release < <(count build/ctest.log)
read -r failed_sanitized total_sanitized < <(count build-sanitize/ctest.log)
failed=$((failed_release + failed_sanitized))
echo "Tests: $((total_release + total_sanitized - failed)) passed, $failed failed"
