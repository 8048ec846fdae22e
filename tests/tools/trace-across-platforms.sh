#!/usr/bin/env bash
# The simulation is the same on Linux and on Windows: for a few screens and seeds the headless
# driver of each build prints the same trace, line for line. Usage: LINUX_DRIVER WINDOWS_DRIVER
# (the second runs under Wine; its console ends lines in CRLF, which is not a difference).
set -euo pipefail
linux=${1:?} windows=${2:?}
for program in "$linux" "$windows"; do
  [ -x "$program" ] || { echo "missing $program"; exit 1; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
for run in "1024x768 1 65000" "1920x1080 7 130000" "800x600 42 65000" "1366x768 3 90000"; do
  read -r screen seed ms <<<"$run"
  args=(--screen "$screen" --seed "$seed" --ms "$ms" --trace)
  "$linux" "${args[@]}" >"$out/linux.txt"
  wine "$windows" "${args[@]}" | tr -d '\r' >"$out/windows.txt"
  lines=$(wc -l <"$out/linux.txt")
  if [ "$lines" -lt 100 ]; then
    echo "screen $screen seed $seed: the Linux trace has only $lines lines"
    status=1
  elif cmp -s "$out/linux.txt" "$out/windows.txt"; then
    echo "screen $screen seed $seed: $lines lines, the same on both"
  else
    echo "screen $screen seed $seed: the traces differ"
    diff "$out/linux.txt" "$out/windows.txt" | head -n 10
    status=1
  fi
done
exit $status
