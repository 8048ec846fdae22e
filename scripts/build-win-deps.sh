#!/usr/bin/env bash
# Builds the libraries the Windows program links that Debian does not ship for mingw-w64:
# libjpeg-turbo, static, from Debian's own source package, with the project's toolchain file.
# Installs into /opt/vantorel/win64 (or $1). Does nothing when that build is already there
# for the same source version. Needs the deb-src entry that install-deps.sh adds.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=${1:-/opt/vantorel/win64}

version=$(apt-cache showsrc libjpeg-turbo | sed -n 's/^Version: //p' | sort -V | tail -n 1)
stamp="$prefix/.libjpeg-turbo-$version"
if [ -f "$stamp" ]; then
  echo "libjpeg-turbo $version for Windows is already in $prefix"
  exit 0
fi

work=$(mktemp -d)
chmod 755 "$work"  # apt fetches the sources as its own unprivileged user
trap 'rm -rf "$work"' EXIT
# apt-get source unpacks the upstream sources with Debian's patches applied.
(cd "$work" && apt-get source -q "libjpeg-turbo=$version" >/dev/null && mv libjpeg-turbo-*/ src)
cmake -S "$work/src" -B "$work/build" --toolchain "$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF \
  -DCMAKE_CROSSCOMPILING_EMULATOR= >/dev/null
cmake --build "$work/build" -j"$(nproc)" --target jpeg-static >/dev/null
# Only the static library and its four public headers are needed (the project's install rules
# would also want the programs, cjpeg and friends, which are not built).
mkdir -p "$prefix/lib" "$prefix/include"
cp "$work/build/libjpeg.a" "$prefix/lib/"
cp "$work/build/jconfig.h" "$work/src/jerror.h" "$work/src/jmorecfg.h" "$work/src/jpeglib.h" "$prefix/include/"
touch "$stamp"
echo "libjpeg-turbo $version for Windows installed in $prefix"
