#!/usr/bin/env bash
# Shows axbridge-watch --live on a real X11 desktop of its own (scripts/headless-desktop.sh):
# two GTK applications, a switch between them, a word selected with the keyboard, the assistant
# context asked for and the selection replaced (scripts/live_demo.py has the steps). Prints the
# watcher's lines and the application's text after the paste; exits 0 when every step was seen.
# Builds the Linux flavour in build-linux first when needed.
#
#   scripts/live-demo.sh [--no-window-manager]
set -euo pipefail
cd "$(dirname "$0")/.."
[[ "$(uname -s)" == "Linux" ]] || { echo "live-demo: Linux X11 desktops only" >&2; exit 2; }
./scripts/setup.sh

build=build-linux
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAXBRIDGE_PLATFORM=linux \
  >/dev/null
cmake --build "$build" --target axbridge-watch -j2 >/dev/null

# Everything, the desktop's start-up included, within two minutes.
exec timeout --kill-after=10 120 ./scripts/headless-desktop.sh "$@" \
  /usr/bin/python3 scripts/live_demo.py "$build/tools/axbridge-watch/axbridge-watch" \
  tests/linux/text_app.py
