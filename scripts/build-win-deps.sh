#!/usr/bin/env bash
# Builds the libraries the Windows build links that Debian does not ship for mingw-w64, static,
# from Debian's own source packages, with the project's toolchain file: libjpeg-turbo for the
# program, Google Benchmark for its benchmark. The source packages are those that
# "install-deps.sh --all" fetched into SOURCES (fetched/sources/ of the checkout): this script
# reaches no network. Installs into PREFIX, which the Windows build keeps inside its own build
# folder, so that a fresh checkout always builds them afresh. Skips a library already built
# there from the same source version by this same script (a change to the script builds them
# again). Needs dpkg-source (dpkg-dev); needs no root.
#
#   build-win-deps.sh PREFIX SOURCES
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 PREFIX SOURCES" >&2
  exit 2
fi
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
sources=$2
toolchain="$root/cmake/mingw-w64.cmake"
recipe=$(cat "${BASH_SOURCE[0]}" "$toolchain" | sha256sum | cut -c1-12)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The source description of the newest fetched version of each source package.
declare -A dsc
for package in libjpeg-turbo benchmark; do
  dsc[$package]=$(find "$sources" -maxdepth 1 -name "${package}_*.dsc" 2>/dev/null | sort -V |
    tail -n 1)
  if [ -z "${dsc[$package]}" ]; then
    echo "$0: no sources of $package in $sources: scripts/install-deps.sh --all fetches them" >&2
    exit 1
  fi
done

# Prints the version of a source package, or nothing when it is already built.
wanted() {
  local version
  version=$(sed -n 's/^Version: //p' "${dsc[$1]}" | head -n 1)
  if [ -f "$prefix/.$1-$version-$recipe" ]; then
    echo "$1 $version for Windows is already in $prefix" >&2
  else
    echo "$version"
  fi
}

# Unpacks a fetched source package (with Debian's patches applied) into $work/$1 and prints
# the path.
unpack() {
  dpkg-source -x "${dsc[$1]}" "$work/$1" >"$work/$1.log" 2>&1 ||
    { cat "$work/$1.log" >&2; exit 1; }
  echo "$work/$1"
}

done_with() {
  mkdir -p "$prefix"
  touch "$prefix/.$1-$2-$recipe"
  echo "$1 $2 for Windows installed in $prefix"
}

if version=$(wanted libjpeg-turbo) && [ -n "$version" ]; then
  src=$(unpack libjpeg-turbo)
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
  src=$(unpack benchmark)
  # The version comes from git where the sources are a checkout; Debian's build passes it too.
  cmake -S "$src" -B "$src/build" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DGIT_VERSION="${version%%-*}" -DBUILD_SHARED_LIBS=OFF \
    -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF \
    -DBENCHMARK_ENABLE_WERROR=OFF -DCMAKE_CROSSCOMPILING_EMULATOR= >/dev/null
  cmake --build "$src/build" -j"$(nproc)" >/dev/null
  cmake --install "$src/build" >/dev/null
  done_with benchmark "$version"
fi
