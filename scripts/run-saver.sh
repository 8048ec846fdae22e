#!/usr/bin/env bash
# Runs the saver full screen ("/s"): on the current X display when one is set; otherwise
# under a virtual X server (Xvfb) for about ten seconds, then writes a screenshot of it and
# prints the screenshot's path.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VT_BUILD_DIR:-$root/build}

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/vantorel" /s
fi

seconds=${VT_RUN_SECONDS:-10}
size=${VT_SCREEN:-1920x1080}
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
saver=""
cleanup() {
  if [ -n "$saver" ] && kill "$saver" 2>/dev/null; then
    # The saver ends as if asked to close, which it does on its display: let it finish.
    for _ in $(seq 50); do kill -0 "$saver" 2>/dev/null || break; sleep 0.1; done
  fi
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  sleep 0.1
done

DISPLAY=":$n" "$build/vantorel" /s &
saver=$!
sleep "$seconds"
mkdir -p "$root/out"
shot="$root/out/vantorel-screenshot.png"
"$build/vantorel-screenshot" "$shot" ":$n"
echo "Screenshot of the running saver: $shot"
