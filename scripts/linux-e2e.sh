#!/usr/bin/env bash
# Runs the Linux end-to-end tests on a desktop of their own (scripts/headless-desktop.sh): a
# fresh Xvfb, a private D-Bus session bus and a small window manager unless --no-window-manager
# is given.
#
#   scripts/linux-e2e.sh [--no-window-manager] <test binary> [test arguments...]
set -euo pipefail

desktop=()
if [[ "${1:-}" == "--no-window-manager" ]]; then
  desktop=(--no-window-manager)
  shift
fi
binary=${1:?usage: $0 [--no-window-manager] <test binary> [arguments...]}
shift
exec "$(dirname "$0")/headless-desktop.sh" ${desktop[@]+"${desktop[@]}"} "$binary" "$@"
