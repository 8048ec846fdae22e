#!/usr/bin/env bash
# What the running saver costs: its share of one core and the X server's, how often the
# program wakes up, and its memory, over a fixed time on a virtual X server (Xvfb).
#
#   scripts/measure-cpu.sh [--seconds N] [--size WxH]... [--floor] [--scaled-floor] [--dark]
#                          [--runs N] BUILD_DIR [BUILD_DIR...]
#
# Every build's saver ("vantorel /s") runs at the same time, each on an Xvfb of its own, so
# that the figures of two builds come from the same run on the same machine. After a warm-up
# of a few seconds, the processor time of the program and of its X server is read from
# /proc/PID/task/*/schedstat (nanoseconds on the processor) at the start and the end of the
# measured time, and the program's wake-ups from voluntary_ctxt_switches in /proc/PID/status
# (each is a sleep that ended), and its proportional memory (PSS) at the end. With --floor,
# the first build's floor_animation (a bare 10 Hz animation of a car-sized rectangle) runs
# beside them on its own Xvfb, and each build's cost (program and server together) is given
# as a ratio to the floor's. The floor's rectangle keeps its size on every screen, while the
# saver's car grows with the screen; --scaled-floor (which implies --floor) also runs the floor
# with its rectangle grown as the car is, and gives each build's ratio to that one too. Each
# --size is measured in turn (1920x1080 when none is given). With --dark each build's saver also
# runs with its monitors powered down (DPMS off), as it does through the night: no X server
# here has DPMS, so the build's libfake_dpms.so, loaded with LD_PRELOAD, answers the saver's
# reads of the power level as a server whose monitors are off would; each build's dark cost is
# then given as a ratio to its lit one.
# On a shared virtual machine one run's ratio can be half or twice the next one's: --runs N
# measures everything N times and ends with each ratio's median and range. Each run starts the
# programs in another order, since the first started tends to measure dearer.
# Not run by the tests: the figures depend on the machine. bench/saver-cpu.sh adds the
# figures under sway.
set -euo pipefail

seconds=60
sizes=()
floor=no
scaled_floor=no
dark=no
runs=1
warmup=${VT_WARMUP_SECONDS:-5}
builds=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --size) sizes+=("$2"); shift 2 ;;
    --floor) floor=yes; shift ;;
    --scaled-floor) floor=yes; scaled_floor=yes; shift ;;
    --runs) runs=$2; shift 2 ;;
    --dark) dark=yes; shift ;;
    -h|--help) sed -n '2,28p' "$0"; exit 0 ;;
    *) builds+=("$1"); shift ;;
  esac
done
if [ ${#builds[@]} -eq 0 ]; then
  echo "usage: $0 [--seconds N] [--size WxH]... [--floor] [--scaled-floor] [--dark] [--runs N]" \
    "BUILD_DIR [BUILD_DIR...]" >&2
  exit 2
fi
[ ${#sizes[@]} -gt 0 ] || sizes=(1920x1080)

xvfb_pids=()
program_pids=()
cleanup() {
  for pid in "${program_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${program_pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  done
  for pid in "${xvfb_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  xvfb_pids=()
  program_pids=()
}
trap cleanup EXIT

# Nanoseconds on the processor, all threads of the process together.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d\n", sum }'; }
wakeups() { awk '/^voluntary_ctxt_switches/ { print $2 }' /proc/"$1"/status; }
pss_mib() { awk '/^Pss:/ { printf "%.1f\n", $2 / 1024 }' /proc/"$1"/smaps_rollup; }

# Starts program number i on an Xvfb of its own of the given size.
display=90
start_on_server() {
  local i=$1 size=$2
  shift 2
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
  done
  Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pids[i]=$!
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
  done
  DISPLAY=":$display" "$@" &
  program_pids[i]=$!
  display=$((display + 1))
}

# Prints each build's ratio to a floor, given that floor's processor time: a label of four
# words, then "at SIZE:" and the build, which the summary at the end keys on.
ratio_to() {
  local label=$1 floor_sum=$2
  for i in "${!builds[@]}"; do
    awk -v l="$label" -v b="${builds[i]}" -v s="${sums[i]}" -v f="$floor_sum" -v z="$size" \
      'BEGIN { printf "%s at %s: %-28s %.2f\n", l, z, b, s / f }' | tee -a "$ratios"
  done
}

ratios=$(mktemp)
trap 'cleanup; rm -f "$ratios"' EXIT
for run in $(seq "$runs"); do
for size in "${sizes[@]}"; do
  [ "$runs" -eq 1 ] || printf 'run %d of %d: ' "$run" "$runs"
  names=("${builds[@]}")
  commands=()
  for build in "${builds[@]}"; do commands+=("$build/vantorel /s"); done
  if [ "$floor" = yes ]; then
    names+=(floor)
    commands+=("${builds[0]}/floor_animation")
  fi
  if [ "$scaled_floor" = yes ]; then
    names+=(scaled-floor)
    commands+=("${builds[0]}/floor_animation --scaled")
  fi
  if [ "$dark" = yes ]; then
    for build in "${builds[@]}"; do
      names+=("$build (dark)")
      commands+=("env LD_PRELOAD=$build/libfake_dpms.so VT_FAKE_DPMS=off $build/vantorel /s")
    done
  fi
  for k in "${!names[@]}"; do
    i=$(((k + run - 1) % ${#names[@]}))
    # shellcheck disable=SC2086  # a command is a path and its switches, none with a space
    start_on_server "$i" "$size" ${commands[i]}
  done

  sleep "$warmup"
  declare -a prog0=() xsrv0=() wake0=()
  for i in "${!names[@]}"; do
    prog0[i]=$(cpu_ns "${program_pids[i]}")
    xsrv0[i]=$(cpu_ns "${xvfb_pids[i]}")
    wake0[i]=$(wakeups "${program_pids[i]}")
  done
  start=$(date +%s%N)
  sleep "$seconds"
  elapsed=$(($(date +%s%N) - start))

  printf '%s, %s s\n' "$size" "$seconds"
  printf '%-40s %10s %10s %10s %12s %9s\n' program program X-server sum wake-ups/s PSS-MiB
  declare -a sums=()
  for i in "${!names[@]}"; do
    prog=$(($(cpu_ns "${program_pids[i]}") - prog0[i]))
    xsrv=$(($(cpu_ns "${xvfb_pids[i]}") - xsrv0[i]))
    wake=$(($(wakeups "${program_pids[i]}") - wake0[i]))
    sums[i]=$((prog + xsrv))
    awk -v b="${names[i]}" -v p="$prog" -v x="$xsrv" -v w="$wake" -v t="$elapsed" \
      -v m="$(pss_mib "${program_pids[i]}")" 'BEGIN {
      printf "%-40s %9.3f%% %9.3f%% %9.3f%% %12.2f %9s\n", b, 100 * p / t, 100 * x / t,
        100 * (p + x) / t, w / (t / 1e9), m }'
  done
  if [ "$floor" = yes ]; then
    floor_index=${#builds[@]}
    ratio_to "ratio to the floor" "${sums[floor_index]}"
    [ "$scaled_floor" = no ] || ratio_to "ratio to scaled floor" "${sums[floor_index + 1]}"
  fi
  if [ "$dark" = yes ]; then
    dark_index=$((${#names[@]} - ${#builds[@]}))
    for i in "${!builds[@]}"; do
      awk -v b="${builds[i]}" -v d="${sums[dark_index + i]}" -v l="${sums[i]}" -v z="$size" \
        'BEGIN { printf "dark to lit, ratio at %s: %-28s %.3f\n", z, b, d / l }' | tee -a "$ratios"
    done
  fi
  cleanup
done
done
if [ "$runs" -gt 1 ] && [ -s "$ratios" ]; then
  echo "over $runs runs (median, lowest, highest):"
  sort -k1,6 -k7,7 -k8,8n "$ratios" | awk '
    function report() {
      if (n) printf "%s %-28s %.2f  %.2f to %.2f\n", key, build, v[int((n + 1) / 2)], v[1], v[n]
    }
    { k = $1 " " $2 " " $3 " " $4 " " $5 " " $6
      if (k != key || $7 != build) { report(); n = 0 }
      key = k; build = $7; v[++n] = $8 }
    END { report() }'
fi
