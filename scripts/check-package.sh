#!/usr/bin/env bash
# Makes the Debian packages as the README does (dpkg-buildpackage), twice: from two copies of
# the checkout in two different folders, one after the other, with the network cut off and
# SOURCE_DATE_EPOCH left to the build, the second one with another time zone, locale and umask.
# Checks that the two are the same byte for byte, that lintian (pedantic, with info tags) finds
# nothing in them, and that no build folder's path got into the program or its symbols. Then
# installs them for real, as a user would (apt-get install ./vantorel_1.1.0_amd64.deb, which
# also runs the maintainer scripts and brings in the dependencies): checks the files and links,
# the manual page, the debugging symbols as gdb finds them, that no user unit got enabled,
# runs the installed saver on a virtual X server with its pictures and without them, then
# removes and purges it and checks that none of its files is left. This changes the machine
# (as root, or through sudo): the test command runs it on throwaway machines; a vantorel
# package installed beforehand is replaced and then removed.
#
#   check-package.sh [WORK]    WORK: the folder of the two builds (default build-deb/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "${1:-$root/build-deb}"
work=$(cd "${1:-$root/build-deb}" && pwd)

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi
fail() { echo "check-package: $*" >&2; exit 1; }
# Two checks at once would remove each other's package: take turns.
exec 9>"${TMPDIR:-/tmp}/vantorel-check-package.lock"
flock 9

# Copies the checkout as it stands (the files git knows of, committed or not, and what the
# install step fetched) into a fresh folder and makes the packages there, offline, without a
# SOURCE_DATE_EPOCH of the caller's; the environment's other settings come as arguments.
build_packages() {
  local copy=$1
  shift
  rm -rf "$(dirname "$copy")"
  mkdir -p "$copy"
  (cd "$root" && git ls-files -z --cached --others --exclude-standard) |
    (cd "$root" && xargs -0 cp --parents --no-dereference -t "$copy")
  mkdir -p "$copy/fetched"
  cp -r "$root/fetched/wlroots-protocols" "$copy/fetched/"
  (cd "$copy" && env -u SOURCE_DATE_EPOCH "$@" "$root/scripts/offline.sh" \
    dpkg-buildpackage -b -us -uc -jauto >"$copy.log" 2>&1) ||
    { tail -n 40 "$copy.log"; fail "dpkg-buildpackage failed in $copy (log: $copy.log)"; }
}

first="$work/first/vantorel"
second="$work/second/a/longer/path/vantorel-copy"
build_packages "$first" TZ=UTC LC_ALL=C.UTF-8
debs=(vantorel_1.1.0_amd64.deb vantorel-dbgsym_1.1.0_amd64.deb)
for deb in "${debs[@]}"; do
  [ -f "$work/first/$deb" ] || fail "dpkg-buildpackage made no $deb"
done
deb="$work/first/vantorel_1.1.0_amd64.deb"
dbgsym="$work/first/vantorel-dbgsym_1.1.0_amd64.deb"

# Debian's own checker, on every package the build made.
lintian --pedantic -I --fail-on error,warning,info,pedantic \
  "$work/first/vantorel_1.1.0_amd64.changes" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log"; fail "lintian finds fault with the packages"; }
grep -v '^running with root privileges' "$work/lintian.log" |
  grep -q . && { cat "$work/lintian.log"; fail "lintian reports on the packages"; }

# The program and its symbols name no folder of the build machine (the symbols' sections are
# compressed: they are read uncompressed).
unpacked="$work/unpacked"
rm -rf "$unpacked"
dpkg-deb -x "$deb" "$unpacked"
dpkg-deb -x "$dbgsym" "$unpacked"
for file in "$unpacked/usr/lib/vantorel/vantorel" "$unpacked"/usr/lib/debug/.build-id/*/*.debug; do
  [ -f "$file" ] || fail "no $file in the packages"
  objcopy --decompress-debug-sections "$file" "$unpacked/uncompressed"
  if grep -qaF "$work" "$unpacked/uncompressed"; then
    fail "${file#"$unpacked"} holds the build folder's path"
  fi
done

# Minutes later, elsewhere, in another environment: the same bytes.
umask_before=$(umask)
umask 0002
build_packages "$second" TZ=Asia/Tokyo LC_ALL=C LANG=C
umask "$umask_before"
for made in "${debs[@]}"; do
  cmp "$work/first/$made" "$work/second/a/longer/path/$made" ||
    fail "$made differs between two builds of the same sources"
done

listing=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
for entry in ./usr/lib/vantorel/vantorel ./usr/share/vantorel/VantorelData/mirso5.jpg \
  ./usr/share/vantorel/VantorelData/Hito4.bmp ./usr/share/xscreensaver/config/vantorel.xml \
  ./usr/share/man/man1/vantorel.1.gz ./usr/share/doc/vantorel/copyright \
  ./usr/share/doc/vantorel/changelog.gz ./usr/lib/systemd/user/vantorel-idle.service \
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
pictures=/usr/share/vantorel/VantorelData
# A failed check leaves no package behind either.
cleanup() {
  kill "$xvfb" 2>/dev/null || true
  rm -f "$log"
  if [ -d "$pictures.away" ]; then "${sudo[@]}" mv "$pictures.away" "$pictures" || true; fi
  for package in vantorel-dbgsym vantorel; do
    if dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q ' installed$'; then
      "${sudo[@]}" dpkg --purge "$package" >/dev/null 2>&1 || true
    fi
  done
}
trap cleanup EXIT

# apt-get reads a local package from a path only when it looks like one ("./" or "/").
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "$deb" "$dbgsym" >"$log" 2>&1 ||
  { cat "$log"; fail "apt-get could not install $deb and $dbgsym"; }
for package in vantorel vantorel-dbgsym; do
  dpkg-query -W -f='${Status}\n' "$package" | grep -qx 'install ok installed' ||
    fail "$package is not installed"
done
installed=$(dpkg-query -L vantorel vantorel-dbgsym)
for file in /usr/lib/vantorel/vantorel $pictures/Hito0.bmp \
  /usr/share/xscreensaver/config/vantorel.xml; do
  [ -f "$file" ] || fail "$file is not on the machine"
done
[ -x /usr/lib/vantorel/vantorel ] || fail "the program is not executable"
for link in /usr/bin/vantorel /usr/libexec/xscreensaver/vantorel; do
  [ "$(readlink -f "$link")" = /usr/lib/vantorel/vantorel ] || fail "$link does not lead to the program"
done
grep -q '<command arg="--root"/>' /usr/share/xscreensaver/config/vantorel.xml ||
  fail "the description does not start the program as a hack"

# The manual page: where man finds it, read without a complaint from the formatter, and
# telling of every mode, the exit codes and the environment.
[ "$(man -w vantorel)" = /usr/share/man/man1/vantorel.1.gz ] || fail "man does not find vantorel(1)"
page=$(LC_ALL=C.UTF-8 MANWIDTH=100 man --warnings -l /usr/share/man/man1/vantorel.1.gz 2>"$log") ||
  fail "man -l cannot show the page: $(cat "$log")"
[ ! -s "$log" ] || fail "the manual page has faults: $(cat "$log")"
for text in "vantorel /s" "vantorel /p WINDOW-ID" "vantorel --root" "vantorel --window-id WINDOW-ID" \
  "vantorel --idle SECONDS" "EXIT STATUS" "DISPLAY" "WAYLAND_DISPLAY" "VANTOREL_BACKEND" \
  "/usr/share/vantorel/VantorelData/" "vantorel --root \\n\\" "systemctl --user enable --now vantorel-idle" \
  "exec swayidle timeout 600 'vantorel /s'"; do
  grep -qF -- "$text" <<<"$page" || fail "the manual page does not say \"$text\""
done

# The program is stripped, and gdb finds its functions, with their source files, in the
# debugging symbols of the -dbgsym package, which it looks up by the program's build id.
if readelf -S --wide /usr/lib/vantorel/vantorel | grep -qE ' \.(symtab|debug_info) '; then
  fail "the installed program is not stripped"
fi
build_id=$(readelf -n /usr/lib/vantorel/vantorel | sed -n 's/^ *Build ID: //p')
[ -n "$build_id" ] || fail "the installed program has no build id"
symbols="/usr/lib/debug/.build-id/${build_id:0:2}/${build_id:2}.debug"
gdb -batch -nx -ex 'python print([o.filename for o in gdb.objfiles()])' \
  -ex 'info functions ^vt::SceneForm::ChangeScenery(' /usr/lib/vantorel/vantorel >"$log" 2>&1 ||
  { cat "$log"; fail "gdb failed on the installed program"; }
grep -qF "'$symbols'" "$log" || { cat "$log"; fail "gdb does not read $symbols"; }
if ! grep -qFx 'File ./scene/Scenery.cpp:' "$log" ||
  ! grep -qE '^[0-9]+:\s+void vt::SceneForm::ChangeScenery\(\);' "$log"; then
  cat "$log"
  fail "gdb does not find vt::SceneForm::ChangeScenery in its source"
fi

# The user unit that the package installs starts the installed program, and is enabled for no
# one.
grep -qxF 'ExecStart=/usr/bin/vantorel --idle ${VANTOREL_IDLE_SECONDS}' \
  /usr/lib/systemd/user/vantorel-idle.service || fail "the user unit does not start vantorel --idle"
if [ -d /etc/systemd/user ] && find /etc/systemd/user -name '*vantorel*' | grep -q .; then
  fail "the package enabled a user unit: $(find /etc/systemd/user -name '*vantorel*')"
fi

for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
# Runs the installed saver by its command name, as a user would: it must still run after two
# seconds, then ends with exit code 0 on a key (or, with "signal", on SIGTERM, as when an error
# box takes the keys); what it reported is left in $log.
run_saver() {
  local code=0 pid
  PATH=/usr/bin:/bin DISPLAY=":$n" vantorel /s 2>"$log" &
  pid=$!
  sleep 2
  kill -0 "$pid" 2>/dev/null || fail "vantorel /s ended early: $(cat "$log")"
  if [ "${1:-key}" = signal ]; then
    kill -TERM "$pid"
  else
    DISPLAY=":$n" xdotool key a
  fi
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "vantorel /s did not end on a ${1:-key}"
  fi
  wait "$pid" || code=$?
  [ "$code" -eq 0 ] || fail "vantorel /s ended with $code"
}
# With its pictures, it reports nothing (a missing picture or font would be reported)...
run_saver
[ ! -s "$log" ] || fail "vantorel /s reported: $(cat "$log")"
# ...and without them, it names the picture it looked for where the package puts them.
"${sudo[@]}" mv "$pictures" "$pictures.away"
run_saver signal
"${sudo[@]}" mv "$pictures.away" "$pictures"
grep -qE "^Vantorel: ファイル $pictures/mirso[0-5]\.jpg は開けません\.$" "$log" ||
  fail "without its pictures vantorel /s reported: $(cat "$log")"

# The XScreenSaver link runs the hack mode until the daemon's SIGTERM.
DISPLAY=":$n" /usr/libexec/xscreensaver/vantorel --root 2>"$log" &
pid=$!
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the hack ended early: $(cat "$log")"
kill -TERM "$pid"
code=0
wait "$pid" || code=$?
[ "$code" -eq 0 ] || fail "the hack ended with $code on SIGTERM"

# Removing leaves none of the packages' files; purging leaves no trace in dpkg's records.
"${sudo[@]}" dpkg -r vantorel-dbgsym vantorel >"$log" 2>&1 || { cat "$log"; fail "dpkg -r failed"; }
while IFS= read -r path; do
  [ -d "$path" ] && continue  # shared folders such as /usr/bin stay
  [ ! -e "$path" ] && [ ! -L "$path" ] || fail "$path is left after dpkg -r"
done <<<"$installed"
for folder in /usr/lib/vantorel /usr/share/vantorel; do
  [ ! -e "$folder" ] || fail "$folder is left after dpkg -r"
done
"${sudo[@]}" dpkg --purge vantorel-dbgsym vantorel >"$log" 2>&1 || { cat "$log"; fail "dpkg --purge failed"; }
for package in vantorel vantorel-dbgsym; do
  if dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -qv 'not-installed'; then
    fail "dpkg still knows $package after --purge"
  fi
done
echo "Packages in $work: the same in two builds, lintian-clean, installed, run, removed and purged cleanly"
