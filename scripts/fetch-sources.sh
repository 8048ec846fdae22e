#!/usr/bin/env bash
# Fetches from Debian's source packages what Debian ships in no binary package, into the
# checkout's fetched/ folder (never committed), so that configuring and building need no network
# afterwards. The install step runs it; it fetches only what is missing, so running it again is
# cheap.
#
#   fetch-sources.sh          wlroots' protocol files: the layer shell the Wayland backend is
#                             built with, the virtual pointer and keyboard the tests drive a
#                             compositor with (fetched/wlroots-protocols/)
#   fetch-sources.sh --all    that, and the source packages of the libraries the Windows build
#                             compiles for itself, libjpeg-turbo and Google Benchmark, as
#                             Debian ships them (fetched/sources/, unpacked by the build)
#
# Needs the deb-src entries that install-deps.sh adds and dpkg-source (dpkg-dev); needs no root.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ $# -gt 1 ] || { [ $# -eq 1 ] && [ "$1" != --all ]; }; then
  echo "usage: $0 [--all]" >&2
  exit 2
fi
fetched="$root/fetched"
mkdir -p "$fetched"

work=$(mktemp -d "$fetched/.fetching.XXXXXX")
# apt fetches the sources as its own unprivileged user where it can reach the folder (it falls
# back to root, with a warning in the log, where a parent folder keeps it out).
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT

# apt-get source with its arguments in $work; its log only when it fails.
source_package() {
  (cd "$work" && apt-get source -q "$@" >source.log 2>&1) ||
    { cat "$work/source.log" >&2; echo "$0: cannot fetch Debian's sources of $*" >&2; exit 1; }
}

protocols="$fetched/wlroots-protocols"
names=(wlr-layer-shell-unstable-v1.xml wlr-virtual-pointer-unstable-v1.xml
  virtual-keyboard-unstable-v1.xml)
missing=no
for name in "${names[@]}"; do
  [ -f "$protocols/$name" ] || missing=yes
done
if [ "$missing" = yes ]; then
  source_package wlroots
  mkdir -p "$protocols"
  for name in "${names[@]}"; do
    found=("$work"/wlroots-*/protocol/"$name")
    [ -f "${found[0]}" ] || { echo "$0: no $name in Debian's wlroots sources" >&2; exit 1; }
    cp "${found[0]}" "$protocols/$name"
  done
  echo "wlroots protocols fetched into $protocols"
fi

if [ "${1:-}" = --all ]; then
  sources="$fetched/sources"
  mkdir -p "$sources"
  for package in libjpeg-turbo benchmark; do
    version=$(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -V | tail -n 1)
    [ -n "$version" ] || { echo "$0: apt knows no source package $package" >&2; exit 1; }
    # The .dsc file is named without the epoch.
    if [ -f "$sources/${package}_${version#*:}.dsc" ]; then
      continue
    fi
    source_package --download-only "$package=$version"
    rm -f "$sources/${package}"_*
    mv "$work/${package}"_* "$sources/"
    echo "$package $version sources fetched into $sources"
  done
fi
