#!/usr/bin/env bash
# Builds the libraries the Windows build links that Debian does not ship for mingw-w64, static,
# from Debian's own source packages, with the project's toolchain file: libjpeg-turbo for the
# program, Google Benchmark for its benchmark. Installs into /opt/vantorel/win64 (or $1).
# Skips a library already built there from the same source version. Needs the deb-src entry
# that install-deps.sh adds.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=${1:-/opt/vantorel/win64}
toolchain="$root/cmake/mingw-w64.cmake"

work=$(mktemp -d)
chmod 755 "$work"  # apt fetches the sources as its own unprivileged user
trap 'rm -rf "$work"' EXIT

# Prints the newest version of a source package, or nothing when it is already built.
wanted() {
  local version
  version=$(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -n 1)
  if [ -f "$prefix/.$1-$version" ]; then
    echo "$1 $version for Windows is already in $prefix" >&2
  else
    echo "$version"
  fi
}

# Unpacks a source package (with Debian's patches applied) into $work/$1 and prints the path.
unpack() {
  (cd "$work" && apt-get source -q "$1=$2" >/dev/null 2>&1 && mv "$1"-*/ "$1")
  echo "$work/$1"
}

done_with() {
  mkdir -p "$prefix"
  touch "$prefix/.$1-$2"
  echo "$1 $2 for Windows installed in $prefix"
}

if version=$(wanted libjpeg-turbo) && [ -n "$version" ]; then
  src=$(unpack libjpeg-turbo "$version")
  cmake -S "$src" -B "$src/build" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF \
    -DCMAKE_CROSSCOMPILING_EMULATOR= >/dev/null
  cmake --build "$src/build" -j"$(nproc)" --target jpeg-static >/dev/null
  # Only the static library and its four public headers are needed (the project's install
  # rules would also want the programs, cjpeg and friends, which are not built).
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$src/build/libjpeg.a" "$prefix/lib/"
  cp "$src/build/jconfig.h" "$src/jerror.h" "$src/jmorecfg.h" "$src/jpeglib.h" "$prefix/include/"
  done_with libjpeg-turbo "$version"
fi

if version=$(wanted benchmark) && [ -n "$version" ]; then
  src=$(unpack benchmark "$version")
  # The version comes from git where the sources are a checkout; Debian's build passes it too.
  cmake -S "$src" -B "$src/build" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DGIT_VERSION="${version%%-*}" -DBUILD_SHARED_LIBS=OFF \
    -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF \
    -DBENCHMARK_ENABLE_WERROR=OFF -DCMAKE_CROSSCOMPILING_EMULATOR= >/dev/null
  cmake --build "$src/build" -j"$(nproc)" >/dev/null
  cmake --install "$src/build" >/dev/null
  done_with benchmark "$version"
fi
