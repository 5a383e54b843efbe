#!/usr/bin/env bash
# Runs the host kits' test suites, bindings/node (node --test, after npm ci) and bindings/python
# (pytest), against the simulated flavour of a build, libaxbridge-sim.so.
#
# usage: scripts/check_kits.sh [build-dir]     (default: build; the library is built if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

cmake --build "$build" --target axbridge-sim >/dev/null
AXBRIDGE_LIBRARY=$(realpath "$build/src/libaxbridge-sim.so")
export AXBRIDGE_LIBRARY

echo "== Node.js kit (node $(node --version)) on $AXBRIDGE_LIBRARY"
(cd bindings/node && npm ci --no-audit --no-fund --loglevel=error && node --test)

# The system's Python, where pytest comes from (a python3 earlier on the PATH may lack it).
python=/usr/bin/python3
[[ -x $python ]] || python=python3
echo "== Python kit ($($python --version)) on $AXBRIDGE_LIBRARY"
(cd bindings/python && PYTHONDONTWRITEBYTECODE=1 $python -m pytest -q -p no:cacheprovider)
