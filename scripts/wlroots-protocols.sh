#!/usr/bin/env bash
# Copies protocol files of Debian's wlroots source package into OUTDIR: wlroots' own protocols
# (layer-shell, the virtual pointer and keyboard) are in no Debian binary package. The source
# package is fetched and unpacked (with Debian's patches) in a temporary folder inside OUTDIR,
# which is removed afterwards. Needs the deb-src entry that install-deps.sh adds and
# dpkg-source (dpkg-dev); needs no root.
#
#   wlroots-protocols.sh OUTDIR NAME.xml...
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 OUTDIR NAME.xml..." >&2
  exit 2
fi
out=$1
shift
mkdir -p "$out"
work=$(mktemp -d "$out/wlroots-source.XXXXXX")
# apt fetches the sources as its own unprivileged user where it can reach the folder (it falls
# back to root, with a warning in the log, where a parent folder keeps it out).
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -q wlroots >source.log 2>&1) ||
  { cat "$work/source.log" >&2; echo "$0: cannot fetch Debian's wlroots sources" >&2; exit 1; }
for name in "$@"; do
  found=("$work"/wlroots-*/protocol/"$name")
  [ -f "${found[0]}" ] || { echo "$0: no $name in Debian's wlroots sources" >&2; exit 1; }
  cp "${found[0]}" "$out/$name"
done
