#!/usr/bin/env bash
# Builds axbridge and plays axbridge-watch's built-in demo on the simulated desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target axbridge-watch -j2 >/dev/null
exec ./build/tools/axbridge-watch/axbridge-watch "$@"
