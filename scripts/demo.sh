#!/usr/bin/env bash
# Builds axbridge and plays axbridge-watch's built-in demo on the simulated desktop. On macOS the
# simulated desktop is a build of its own (in build-sim, for this Mac's architecture), beside
# the real binding.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh --demo
if [[ "$(uname -s)" == "Darwin" ]]; then
  build=build-sim
  configure=(-DAXBRIDGE_PLATFORM=sim -DCMAKE_OSX_ARCHITECTURES="$(uname -m)")
else
  build=build
  configure=()
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  ${configure[@]+"${configure[@]}"} >/dev/null
cmake --build "$build" --target axbridge-watch -j2 >/dev/null
exec "./$build/tools/axbridge-watch/axbridge-watch" "$@"
