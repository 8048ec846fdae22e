#!/usr/bin/env bash
# Checks, offline, that a packager can build with the layer shell's protocol description that
# their distribution installs: configured with -DVT_LAYER_SHELL_XML=PATH and nothing fetched,
# the build generates the Wayland backend's client code from that file; with neither, configuring
# fails and says how to get one. Configures only (in WORK, default build-layer-shell/).
#
#   check-layer-shell-option.sh [WORK]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=${1:-$root/build-layer-shell}
fail() { echo "check-layer-shell-option: $*" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/nothing-fetched" "$work/distribution"
work=$(cd "$work" && pwd)
xml="$work/distribution/wlr-layer-shell-unstable-v1.xml"
cp "$root/fetched/wlroots-protocols/wlr-layer-shell-unstable-v1.xml" "$xml"

configure() {
  "$root/scripts/offline.sh" cmake -S "$root" -B "$work/build" -DVT_TESTS=OFF \
    -DVT_FETCHED_DIR="$work/nothing-fetched" "$@" >"$work/configure.log" 2>&1
}

configure && fail "configured with no layer shell description at all"
grep -q 'VT_LAYER_SHELL_XML' "$work/configure.log" ||
  { cat "$work/configure.log"; fail "the failure does not name VT_LAYER_SHELL_XML"; }
rm -rf "$work/build"

configure -DVT_LAYER_SHELL_XML="$xml" ||
  { cat "$work/configure.log"; fail "cannot configure with -DVT_LAYER_SHELL_XML=$xml"; }
rules="$work/build/CMakeFiles/vantorel_wayland.dir/build.make"
grep -q "wayland-scanner.* client-header $xml " "$rules" ||
  fail "the layer shell's client code is not made from $xml (see $rules)"
echo "Layer shell description: taken from -DVT_LAYER_SHELL_XML, and asked for without it"
