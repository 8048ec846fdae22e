#!/usr/bin/env bash
# Installs the Debian packages Vantorel needs, then fetches what Debian ships in no binary package
# into the checkout (scripts/fetch-sources.sh), so that configuring and building need no network
# afterwards.
#
#   install-deps.sh         what building and running the Linux saver and making its Debian
#                           package need, and wlroots' protocol files
#   install-deps.sh --all   that, and everything the tests need: GoogleTest and Google Benchmark,
#                           clang for the fuzzers, the virtual X server's tools, XScreenSaver,
#                           a headless sway with its idle daemon and tools, KDE's KWin, GNOME's
#                           mutter with PipeWire, lintian, gdb and man, the Windows cross
#                           compiler, Wine and NSIS, and the sources of the libraries the Windows
#                           build compiles for itself
#
# Works as root, or through sudo for an ordinary user (the fetched files then belong to that
# user). Safe to run again. Adds Debian's source entries, which the fetching needs.
set -euo pipefail

all=no
case "${1:-}" in
  "") ;;
  --all) all=yes ;;
  *)
    echo "usage: $0 [--all]" >&2
    exit 2
    ;;
esac

packages=(
  # Build, and the manual page
  build-essential cmake pkg-config scdoc
  # Pictures
  libjpeg62-turbo-dev libpng-dev
  # Text
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  # X11 and its extensions
  libx11-dev libxext-dev libxrandr-dev libxfixes-dev libxss-dev
  # Wayland: the client library and its code generator, the standard protocols and keyboard
  # maps; dpkg-dev unpacks Debian's wlroots sources, which hold the layer-shell protocol
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev dpkg-dev
  # The idle starter: D-Bus through systemd's sd-bus, and KDE's idle protocol of Plasma's
  # protocol files
  libsystemd-dev plasma-wayland-protocols
  # A virtual X server to run the saver on when there is no display
  xvfb
  # Making the Debian package (dpkg-buildpackage with dh)
  debhelper
)
if [ "$all" = yes ]; then
  packages+=(
    # Test and measure
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    # Fuzzing and sanitizers (clang with its runtime libraries, libFuzzer among them)
    clang libclang-rt-14-dev
    # The tools the end-to-end tests drive the virtual X server with
    xdotool x11-utils x11-xserver-utils
    # The saver daemon the end-to-end tests run Vantorel under
    xscreensaver
    # The compositor the Wayland tests run Vantorel under, its idle daemon, its screenshots and
    # typing through a virtual keyboard
    sway swayidle grim wtype
    # KDE's compositor the Wayland tests also run Vantorel under, headless (Mesa's llvmpipe
    # renders it), on a D-Bus session bus of its own
    kwin-wayland libgl1-mesa-dri dbus-daemon
    # GNOME's compositor, which the Wayland tests run Vantorel under too (headless, as root)
    mutter
    # Its screen casts: PipeWire and its session manager, one frame read by gst-launch
    pipewire wireplumber gstreamer1.0-pipewire gstreamer1.0-tools gstreamer1.0-plugins-base
    # The Debian package: checking it, reading its manual page, and its debugging symbols
    lintian man-db gdb
    # The Windows program: the cross compiler, nasm for libjpeg-turbo's SIMD code, and Wine to
    # run the Windows tests
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 nasm wine wine64
    # The Windows setup program
    nsis
  )
fi

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
# The wlroots protocol files and the Windows build's libraries come from Debian's source
# packages, which need deb-src lines.
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

# As the user who called, not root: the fetched files are theirs.
"$(dirname "${BASH_SOURCE[0]}")/fetch-sources.sh" "$@"
