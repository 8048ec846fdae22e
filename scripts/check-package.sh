#!/usr/bin/env bash
# Makes the Debian package in the build folder and checks it without installing it (which
# would change the machine): its files and links, its dependencies, and the program started
# from the unpacked package through both of its links, finding its data folder beside the
# file they lead to.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb="$build/vantorel_1.1.0_amd64.deb"
fail() { echo "check-package: $*" >&2; exit 1; }

listing=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
for entry in ./usr/lib/vantorel/vantorel ./usr/lib/vantorel/VantorelData/mirso5.jpg \
  ./usr/lib/vantorel/VantorelData/Hito4.bmp ./usr/share/xscreensaver/config/vantorel.xml \
  "./usr/bin/vantorel -> ../lib/vantorel/vantorel" \
  "./usr/libexec/xscreensaver/vantorel -> ../../lib/vantorel/vantorel"; do
  grep -qxF "$entry" <<<"$listing" || fail "missing $entry"
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libx11-6 libxrandr2 libjpeg62-turbo fonts-ipafont-gothic; do
  grep -q "$package" <<<"$depends" || fail "no dependency on $package: $depends"
done

unpacked=$(mktemp -d)
n=70
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
grep -q '<command arg="--root"/>' "$unpacked/usr/share/xscreensaver/config/vantorel.xml" ||
  fail "the description does not start the program as a hack"
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

# Runs the program through a link for two seconds, then ends it with SIGTERM, as the daemon
# does: it must still run then, report nothing (a missing data folder is reported) and end
# with 0.
run() {
  local log="$unpacked/stderr.txt" pid code=0
  DISPLAY=":$n" "$@" 2>"$log" &
  pid=$!
  sleep 2
  kill -0 "$pid" 2>/dev/null || fail "$* ended early: $(cat "$log")"
  kill -TERM "$pid"
  wait "$pid" || code=$?
  [ "$code" -eq 0 ] || fail "$* ended with $code"
  [ ! -s "$log" ] || fail "$* reported: $(cat "$log")"
}
run "$unpacked/usr/bin/vantorel" /s
run "$unpacked/usr/libexec/xscreensaver/vantorel" --root
echo "Package $deb: contents, dependencies and the unpacked program are fine"
