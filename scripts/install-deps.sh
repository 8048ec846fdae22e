#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Vantorel needs.
# Works as root, or through sudo for an ordinary user. Safe to run again.
set -euo pipefail

packages=(
  # Build
  build-essential cmake pkg-config
  # Test and measure
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # Fuzzing and sanitizers (clang with its runtime libraries, libFuzzer among them)
  clang libclang-rt-14-dev
  # Pictures
  libjpeg62-turbo-dev libpng-dev
  # Text
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  # X11 and its extensions
  libx11-dev libxext-dev libxrandr-dev libxfixes-dev libxss-dev
  # A virtual X server and the tools the end-to-end tests drive it with
  xvfb xdotool x11-utils x11-xserver-utils
  # The saver daemon the end-to-end tests run Vantorel under
  xscreensaver
  # The Debian package: its dependencies, and its checks (dpkg-dev also unpacks Debian's
  # source packages)
  dpkg-dev fakeroot file
  # The Windows program: the cross compiler, nasm for libjpeg-turbo's SIMD code, and Wine to
  # run the Windows tests
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 nasm wine wine64
  # The Windows setup program
  nsis
)

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
# libjpeg-turbo for Windows is built from Debian's source package, which needs deb-src lines.
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  for list in /etc/apt/sources.list.d/debian.sources /usr/share/doc/apt/examples/debian.sources; do
    if [ -f "$list" ]; then
      sed 's/^Types: deb$/Types: deb-src/' "$list" |
        "${sudo[@]}" tee /etc/apt/sources.list.d/vantorel-deb-src.sources >/dev/null
      break
    fi
  done
fi

"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"

"${sudo[@]}" "$(dirname "${BASH_SOURCE[0]}")/build-win-deps.sh"
