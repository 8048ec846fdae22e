#!/usr/bin/env bash
# Builds the libraries the Windows build links that Debian does not ship for mingw-w64, static,
# from Debian's own source packages, with the project's toolchain file: libjpeg-turbo for the
# program, Google Benchmark for its benchmark. Installs into PREFIX, which the Windows build
# keeps inside its own build folder, so that a fresh checkout always builds them afresh.
# Skips a library already built there from the same source version by this same script (a
# change to the script builds them again). Needs the deb-src entry that
# "install-deps.sh --all" adds; needs no root.
#
#   build-win-deps.sh PREFIX
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 PREFIX" >&2
  exit 2
fi
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
toolchain="$root/cmake/mingw-w64.cmake"
recipe=$(cat "${BASH_SOURCE[0]}" "$toolchain" | sha256sum | cut -c1-12)

work=$(mktemp -d)
chmod 755 "$work"  # apt fetches the sources as its own unprivileged user
trap 'rm -rf "$work"' EXIT

# Prints the newest version of a source package, or nothing when it is already built.
wanted() {
  local version
  version=$(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -n 1)
  if [ -f "$prefix/.$1-$version-$recipe" ]; then
    echo "$1 $version for Windows is already in $prefix" >&2
  else
    echo "$version"
  fi
}

# Unpacks a source package (with Debian's patches applied) into $work/$1 and prints the path.
unpack() {
  (cd "$work" && apt-get source -q "$1=$2" >"$1.log" 2>&1 && mv "$1"-*/ "$1") ||
    { cat "$work/$1.log" >&2; exit 1; }
  echo "$work/$1"
}

done_with() {
  mkdir -p "$prefix"
  touch "$prefix/.$1-$2-$recipe"
  echo "$1 $2 for Windows installed in $prefix"
}

if version=$(wanted libjpeg-turbo) && [ -n "$version" ]; then
  src=$(unpack libjpeg-turbo "$version")
  # Without an install prefix, the toolchain's Windows target makes its CMake choose a Windows
  # path (c:/libjpeg-turbo-gcc64), which its package helpers refuse on this build machine.
  cmake -S "$src" -B "$src/build" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF \
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
