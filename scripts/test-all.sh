#!/usr/bin/env bash
# Builds Vantorel and runs every test: the Release build with all its tests (unit, rendering,
# simulation soak, X11 and end-to-end tests under Xvfb, some under the XScreenSaver daemon),
# the Debian packages made twice and compared, checked by lintian and installed, the Windows
# build with the shared tests under Wine, the Windows program's end-to-end tests and its
# packages, the same Linux tests built with AddressSanitizer and UndefinedBehaviorSanitizer, a
# bounded run of each picture-decoder fuzzer, and one pass of the repaint benchmark for its
# figures. The Release and Windows builds, configuring included, run with the network cut off,
# as every build can once the install step has run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

echo "== Release build, offline"
scripts/offline.sh cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVT_TESTS=ON \
  -DVT_WINDOWS_TESTS=ON -DVT_WIN_BINARY_DIR="$root/build-win"
scripts/offline.sh cmake --build build -j2

echo "== Windows build, offline"
scripts/offline.sh cmake -S . -B build-win --toolchain cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVT_HOST_ASSETGEN="$root/build/vantorel-assetgen" \
  -DVT_NATIVE_BINARY_DIR="$root/build"
scripts/offline.sh cmake --build build-win -j2
scripts/offline.sh cmake --build build-win -j2 --target packages

echo "== Building with a distribution's layer shell description, offline"
scripts/check-layer-shell-option.sh

echo "== Release tests"
(cd build && ctest --output-on-failure -j2 --timeout 900) | tee build/ctest.log

echo "== Debian packages"
scripts/check-package.sh

echo "== Windows tests under Wine"
# Wine needs an X display for its windows and fonts, even for the unit tests.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
(cd build-win && DISPLAY=":$display" ctest --output-on-failure -j2 --timeout 1800) | tee build-win/ctest.log
WINEPREFIX="$root/build-win/wineprefix" wineserver -k 2>/dev/null || true
kill "$xvfb_pid" 2>/dev/null || true

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
if [ -x build-win/bench_repaint.exe ]; then
  echo "-- the same under Wine, every frame put on a 1920 x 1080 screen through the Win32 backend"
  Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
  WINEPREFIX="$root/build-win/wineprefix" WINEDEBUG=-all DISPLAY=":$display" \
    wine build-win/bench_repaint.exe --benchmark_min_time=0.2 || true
  WINEPREFIX="$root/build-win/wineprefix" wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
fi

# ctest ends each run with "N% tests passed, F tests failed out of T"; add the two runs up.
count() { sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -n 1; }
failed=0
total=0
for log in build/ctest.log build-win/ctest.log build-sanitize/ctest.log; do
  read -r f t < <(count "$log")
  failed=$((failed + f))
  total=$((total + t))
done
echo "Tests: $((total - failed)) passed, $failed failed"
