#!/usr/bin/env bash
# What the running saver costs at 1920 x 1080: the share of one core that "vantorel /s" and
# its display server take together over SECONDS seconds (20 unless given), and their memory,
# on Xvfb (through scripts/measure-cpu.sh) and under a headless sway, one after the other in
# the same run; beside the sway figures, what sway takes alone over as long, before the saver
# starts. The first seconds after the start (pictures loaded, first frame) are left out. Sway
# runs as "nobody" when this runs as root, with the program copied where that user can read it.
#
#   bench/saver-cpu.sh [BUILD] [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-20}

work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# time a process has spent on a core so far, in nanoseconds
cpu() { awk '{ print $1 }' "/proc/$1/schedstat"; }
# resident and proportional set size, in MiB
memory() {
  awk '/^Rss:/ { rss = $2 } /^Pss:/ { pss = $2 } END { printf "RSS %.1f MiB, PSS %.1f MiB", rss / 1024, pss / 1024 }' \
    "/proc/$1/smaps_rollup"
}
# Share of one core a process takes over the given seconds.
share() {
  local before after
  before=$(cpu "$1")
  sleep "$seconds"
  after=$(cpu "$1")
  awk -v c=$((after - before)) -v s="$seconds" 'BEGIN { printf "%.2f%%", 100 * c / 1e9 / s }'
}
# Samples the saver and its server for the given seconds and prints one line.
measure() {
  local name=$1 saver=$2 server=$3
  sleep 3
  local a0 b0 a1 b1
  a0=$(cpu "$saver")
  b0=$(cpu "$server")
  sleep "$seconds"
  a1=$(cpu "$saver")
  b1=$(cpu "$server")
  awk -v n="$name" -v a=$((a1 - a0)) -v b=$((b1 - b0)) -v s="$seconds" 'BEGIN {
    printf "%-15s program %.2f%%, server %.2f%%, together %.2f%% of one core\n", n,
      100 * a / 1e9 / s, 100 * b / 1e9 / s, 100 * (a + b) / 1e9 / s }'
  echo "  program: $(memory "$saver");  server: $(memory "$server")"
}

# On Xvfb.
VT_WARMUP_SECONDS=3 "$root/scripts/measure-cpu.sh" --seconds "$seconds" --size 1920x1080 "$build"

# Under a headless sway, with one output.
as_user=()
if [ "$(id -u)" -eq 0 ]; then as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups); fi
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/vantorel" "$work/"
cp -r "$build/VantorelData" "$work/"
printf 'xwayland disable\noutput HEADLESS-1 resolution 1920x1080\n' >"$work/config"
if [ "$(id -u)" -eq 0 ]; then chown -R nobody:nogroup "$work"; fi
env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work/runtime" WLR_BACKENDS=headless \
  WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1 \
  "${as_user[@]}" sway --config "$work/config" >/dev/null 2>&1 &
sway=$!
pids+=("$sway")
for _ in $(seq 100); do ls "$work/runtime"/wayland-? >/dev/null 2>&1 && break; sleep 0.1; done
socket=$(basename "$(ls "$work/runtime"/wayland-?)")
echo "sway alone: $(share "$sway") of one core"
env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work/runtime" WAYLAND_DISPLAY="$socket" \
  "${as_user[@]}" "$work/vantorel" /s 2>/dev/null &
saver=$!
pids+=("$saver")
measure "/s under sway" "$saver" "$sway"
