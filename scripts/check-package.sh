#!/usr/bin/env bash
# Makes the Debian package in the build folder and installs it for real, as a user would
# (apt-get install ./vantorel_1.1.0_amd64.deb, which also runs the maintainer scripts and
# brings in the dependencies): checks its files and links, runs the installed saver on a virtual
# X server until a key ends it, then removes and purges it and checks that none of its files
# is left. This changes the machine (as root, or through sudo): the test command runs it on
# throwaway machines; a vantorel package installed beforehand is replaced and then removed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi
fail() { echo "check-package: $*" >&2; exit 1; }
# Two checks at once would remove each other's package: take turns.
exec 9>"${TMPDIR:-/tmp}/vantorel-check-package.lock"
flock 9

(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb="$build/vantorel_1.1.0_amd64.deb"

listing=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
for entry in ./usr/lib/vantorel/vantorel ./usr/lib/vantorel/VantorelData/mirso5.jpg \
  ./usr/lib/vantorel/VantorelData/Hito4.bmp ./usr/share/xscreensaver/config/vantorel.xml \
  "./usr/bin/vantorel -> ../lib/vantorel/vantorel" \
  "./usr/libexec/xscreensaver/vantorel -> ../../lib/vantorel/vantorel"; do
  grep -qxF "$entry" <<<"$listing" || fail "missing $entry"
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libx11-6 libxrandr2 libwayland-client0 libxkbcommon0 libjpeg62-turbo fonts-ipafont-gothic; do
  grep -q "$package" <<<"$depends" || fail "no dependency on $package: $depends"
done
dpkg-deb -f "$deb" Suggests | grep -q swayidle || fail "swayidle is not suggested"

n=70
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
log=$(mktemp)
# A failed check leaves no package behind either.
cleanup() {
  kill "$xvfb" 2>/dev/null || true
  rm -f "$log"
  if dpkg-query -W -f='${Status}\n' vantorel 2>/dev/null | grep -q ' installed$'; then
    "${sudo[@]}" dpkg --purge vantorel >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

# apt-get reads a local package from a path only when it looks like one ("./" or "/").
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "$deb" >"$log" 2>&1 ||
  { cat "$log"; fail "apt-get could not install $deb"; }
dpkg-query -W -f='${Status}\n' vantorel | grep -qx 'install ok installed' || fail "not installed"
installed=$(dpkg-query -L vantorel)
for file in /usr/lib/vantorel/vantorel /usr/lib/vantorel/VantorelData/Hito0.bmp \
  /usr/share/xscreensaver/config/vantorel.xml; do
  [ -f "$file" ] || fail "$file is not on the machine"
done
[ -x /usr/lib/vantorel/vantorel ] || fail "the program is not executable"
for link in /usr/bin/vantorel /usr/libexec/xscreensaver/vantorel; do
  [ "$(readlink -f "$link")" = /usr/lib/vantorel/vantorel ] || fail "$link does not lead to the program"
done
grep -q '<command arg="--root"/>' /usr/share/xscreensaver/config/vantorel.xml ||
  fail "the description does not start the program as a hack"
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

# The installed saver, started by its command name as a user would: still running after two
# seconds with nothing reported (a missing data folder or font would be), then a key ends it
# with exit code 0.
code=0
PATH=/usr/bin:/bin DISPLAY=":$n" vantorel /s 2>"$log" &
pid=$!
sleep 2
kill -0 "$pid" 2>/dev/null || fail "vantorel /s ended early: $(cat "$log")"
DISPLAY=":$n" xdotool key a
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  kill -KILL "$pid"
  fail "vantorel /s did not end on a key"
fi
wait "$pid" || code=$?
[ "$code" -eq 0 ] || fail "vantorel /s ended with $code"
[ ! -s "$log" ] || fail "vantorel /s reported: $(cat "$log")"

# The XScreenSaver link runs the hack mode until the daemon's SIGTERM.
DISPLAY=":$n" /usr/libexec/xscreensaver/vantorel --root 2>"$log" &
pid=$!
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the hack ended early: $(cat "$log")"
kill -TERM "$pid"
code=0
wait "$pid" || code=$?
[ "$code" -eq 0 ] || fail "the hack ended with $code on SIGTERM"

# Removing leaves none of the package's files; purging leaves no trace in dpkg's records.
"${sudo[@]}" dpkg -r vantorel >"$log" 2>&1 || { cat "$log"; fail "dpkg -r failed"; }
while IFS= read -r path; do
  [ -d "$path" ] && continue  # shared folders such as /usr/bin stay
  [ ! -e "$path" ] && [ ! -L "$path" ] || fail "$path is left after dpkg -r"
done <<<"$installed"
[ ! -e /usr/lib/vantorel ] || fail "/usr/lib/vantorel is left after dpkg -r"
"${sudo[@]}" dpkg --purge vantorel >"$log" 2>&1 || { cat "$log"; fail "dpkg --purge failed"; }
if dpkg-query -W -f='${Status}\n' vantorel 2>/dev/null | grep -qv 'not-installed'; then
  fail "dpkg still knows vantorel after --purge"
fi
echo "Package $deb: installed, run, removed and purged cleanly"
