#!/usr/bin/env bash
# Installs what building and testing axbridge needs, when it is missing; with --demo only what
# building the simulated flavour and axbridge-watch needs (the demo plays nothing else).
# Debian/Ubuntu: apt-get (as root, or through sudo). macOS: Homebrew.
#
#   scripts/setup.sh [--demo]
set -euo pipefail

demo_only=0
if [[ "${1:-}" == "--demo" ]]; then
  demo_only=1
elif [[ $# -gt 0 ]]; then
  echo "usage: $0 [--demo]" >&2
  exit 2
fi

if [[ "$(uname -s)" == "Darwin" ]]; then
  command -v brew >/dev/null || { echo "setup: Homebrew is required on macOS" >&2; exit 1; }
  # utf8proc serves the simulated desktop only; the macOS library uses the system's libraries.
  # GoogleTest: the build directory the demo builds in is the tests' too.
  formulae=(cmake ninja nlohmann-json utf8proc googletest)
  [[ $demo_only == 1 ]] || formulae+=(google-benchmark)
  for formula in "${formulae[@]}"; do
    brew list --versions "$formula" >/dev/null 2>&1 || brew install "$formula"
  done
  exit 0
fi

# The simulated flavour and axbridge-watch, in a build directory whose tests are configured too.
packages=(cmake ninja-build g++ nlohmann-json3-dev libutf8proc-dev libgtest-dev libgmock-dev)
# The rest is for the tests.
if [[ $demo_only == 0 ]]; then
  packages+=(binutils libbenchmark-dev clang libclang-rt-14-dev valgrind python3-yaml
             clang-16 libc++-16-dev libc++abi-16-dev googletest clang-format-14 git
             # The fuzz targets read UTF-8 with ICU, apart from the library.
             libicu-dev
             # The Linux flavour (AT-SPI2 and X11) and its end-to-end suite: a headless display, a
             # session bus, the GTK3 test application, xdotool and a small window manager.
             pkg-config libatspi2.0-dev libglib2.0-dev libx11-dev libxcb1-dev libxtst-dev libxi-dev
             libxfixes-dev xvfb dbus at-spi2-core libgtk-3-0 python3-gi gir1.2-gtk-3.0 xdotool
             x11-utils libglib2.0-bin matchbox-window-manager
             # Its clipboard, keyboard and mouse (XFixes, XTest, XInput2) and the clipboard tools
             # the suite copies with.
             libxcb-xfixes0-dev libxcb-xinput-dev libxcb-xtest0-dev libxcb-keysyms1-dev xclip
             # The applications of other toolkits the suite follows: a GTK 4 and a Qt 5 test
             # application, both browsers and the word processor.
             gir1.2-gtk-4.0 python3-pyqt5 chromium firefox-esr libreoffice-writer libreoffice-gtk3
             # Wayland sessions: the client library, the keymaps the library types with, and the
             # scanner that turns the protocols' wire definitions into code.
             libwayland-dev libwayland-bin libxkbcommon-dev)
  # The Debian package of the Linux flavour: dpkg-shlibdeps (dpkg-dev) and file, which cpack uses
  # to find its run-time dependencies.
  packages+=(dpkg-dev file)
  # Wayland sessions for the end-to-end suite: a headless sway with XWayland and a headless
  # mutter, Qt 5's Wayland platform, and the clipboard and keyboard tools the suite uses there.
  packages+=(sway xwayland mutter qtwayland5 wl-clipboard wtype)
  # The host packages' tests: pytest, a virtual environment that pip installs the Python package
  # into with Debian's setuptools and wheel, mypy, and Node.js with npm only where no node is
  # installed (one that is there already is used as it is: Debian's npm conflicts with other builds
  # of node).
  packages+=(python3-pytest python3-venv python3-setuptools python3-wheel mypy)
  command -v node >/dev/null || packages+=(nodejs npm)
fi
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "setup: installing ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "setup: run as root (or install sudo) to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
