#!/usr/bin/env bash
# What the idle starter ("vantorel --idle SECONDS") costs while it waits: how often it wakes
# up over a minute in which no one touches the keyboard, and over a minute of typing (a key
# every 0.2 s, through XTEST), and its memory (PSS) at the end. It runs on a virtual X server
# of its own (Xvfb, with -noreset so that the server keeps its saver settings), with a private
# session bus beside it as a desktop session has one, and an idle time longer than the
# measurement, so that no saver starts. Wake-ups are the sleeps that ended, voluntary and not
# (voluntary_ctxt_switches and nonvoluntary_ctxt_switches of /proc/PID/status).
#
#   scripts/measure-idle.sh [--seconds N] [BUILD_DIR]
#
# Not run by the tests: the figures depend on the machine. The goal: wake-ups near 0 in both
# minutes, PSS at most 6 MiB.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=60
build=$root/build
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) build=$1; shift ;;
  esac
done
build=$(cd "$build" && pwd)

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
dbus-daemon --session --nofork --address="unix:path=$work/bus" --print-address=1 \
  >"$work/bus.address" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bus.address" ] && break; sleep 0.1; done

export DISPLAY=":$display"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus.address") WAYLAND_DISPLAY= \
  "$build/vantorel" --idle $((seconds * 3 + 60)) 2>"$work/idle.log" &
idle=$!
pids+=("$idle")
sleep 2
if ! kill -0 "$idle" 2>/dev/null; then
  cat "$work/idle.log" >&2
  echo "the idle starter ended early" >&2
  exit 1
fi

wakeups() {
  awk '/^(non)?voluntary_ctxt_switches/ { sum += $2 } END { print sum }' "/proc/$1/status"
}
# Measures one phase of the given length while the command runs: wake-ups per second.
measure() {
  local label=$1
  shift
  local before after start elapsed
  before=$(wakeups "$idle")
  start=$(date +%s%N)
  "$@"
  elapsed=$(($(date +%s%N) - start))
  after=$(wakeups "$idle")
  awk -v l="$label" -v w=$((after - before)) -v t="$elapsed" \
    'BEGIN { printf "%-28s %6d wake-ups in %5.1f s: %.3f a second\n", l, w, t / 1e9,
             w / (t / 1e9) }'
}
quiet() { sleep "$seconds"; }
typing() {
  local end=$(($(date +%s) + seconds))
  while [ "$(date +%s)" -lt "$end" ]; do
    xdotool key a
    sleep 0.2
  done
}

echo "vantorel --idle on Xvfb $DISPLAY, with a session bus, ${seconds} s each:"
measure "no input" quiet
measure "typing (a key every 0.2 s)" typing
awk '/^Rss:/ { rss = $2 } /^Pss:/ { pss = $2 } END {
  printf "memory while waiting: PSS %.2f MiB (RSS %.2f MiB)\n", pss / 1024, rss / 1024 }' \
  "/proc/$idle/smaps_rollup"
