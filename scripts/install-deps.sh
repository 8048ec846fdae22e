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
  # The Debian package: its dependencies, and its checks
  dpkg-dev fakeroot file
)

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"
