#!/usr/bin/env bash
# Measures the Linux flavour on a real X11 desktop of its own (scripts/headless-desktop.sh, with
# a window manager), or with --sway in a Wayland session of its own (scripts/headless-sway.sh,
# native GTK 3 windows), and prints the figures as a markdown table: latency from a key to the
# host callback, requests per caret move and per selection, wake-ups while idle, setText from call
# to return, resident memory over application switches, the main context in window storms and a
# clipboard request flood, the longest hold of a 10 MB text. Builds the Linux flavour in
# build-linux first when needed.
#
#   scripts/measure-linux.sh [--sway]   # 50 samples each, 60 s idle, 100/500/1,000 switches
#   scripts/measure-linux.sh --quick    # 20 samples, 10 s idle, 20/50/100 switches
#   scripts/measure-linux.sh [--sway] [--samples N] [--idle SECONDS] [--switches A,B,C]
set -euo pipefail
cd "$(dirname "$0")/.."
[[ "$(uname -s)" == "Linux" ]] || { echo "measure-linux: Linux desktops only" >&2; exit 2; }
session=./scripts/headless-desktop.sh
if [[ "${1:-}" == "--sway" ]]; then
  session=./scripts/headless-sway.sh
  shift
fi
./scripts/setup.sh

build=build-linux
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAXBRIDGE_PLATFORM=linux \
  >/dev/null
cmake --build "$build" --target axbridge_measure_linux -j2 >/dev/null

# The full run takes about eight minutes; the bound leaves room for a loaded machine.
exec timeout --kill-after=10 1800 "$session" \
  "$build/bench/linux/axbridge_measure_linux" "$@"
