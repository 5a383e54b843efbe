#!/usr/bin/env bash
# Checks the host packages, bindings/node (npm) and bindings/python (pip): their unit tests on the
# simulated flavour and their event types against the library's, then each packed with the
# libraries bundled (the simulated flavour, and the real one when built) and installed into an
# empty project, where a host plays a desktop on the bundled simulated library and a consumer
# passes the type checker (tsc, mypy).
#
# usage: scripts/check_kits.sh [build] [build-linux]
#   build: the simulated flavour (default build; built if needed). build-linux: the real Linux
#   flavour, bundled when built there (default build-linux).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${1:-build}
real_build=${2:-build-linux}

cmake --build "$build" --target axbridge-sim >/dev/null
sim=$(realpath "$build/src/libaxbridge-sim.so.0")
real=
[[ -e $real_build/src/libaxbridge.so.0 ]] && real=$(realpath "$real_build/src/libaxbridge.so.0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
platform=$(node -p 'process.platform + "-" + process.arch')  # the packages' folder names

# stage <package> <folder> [as-built]: a copy of bindings/<package> in $work/bindings, beside the
# project's LICENSE as in the source tree, with the libraries bundled in its
# <folder>/prebuilds/<platform>/: stripped, or as built (the npm package strips them as it packs).
stage() {
  mkdir -p "$work/bindings"
  tar -C bindings --exclude=node_modules --exclude=__pycache__ -cf - "$1" |
    tar -C "$work/bindings" -xf -
  cp LICENSE "$work/"
  local prebuilds="$work/bindings/$1/$2/prebuilds/$platform"
  mkdir -p "$prebuilds"
  cp "$sim" "$prebuilds/libaxbridge-sim.so.0"
  [[ -z $real ]] || cp "$real" "$prebuilds/libaxbridge.so.0"
  [[ -n ${3:-} ]] || strip --strip-unneeded "$prebuilds"/*
}
echo "== bundled: $sim${real:+ and $real}"

echo "== Node.js package (node $(node --version))"
(cd bindings/node && npm ci --no-audit --no-fund --loglevel=error &&
  AXBRIDGE_LIBRARY=$sim node --test)
stage node . as-built
(cd "$work/bindings/node" && npm pack --silent --pack-destination "$work" >/dev/null)
# The tarball carries the licence, and the libraries without debug information.
tar -C "$work" -xzf "$work"/axbridge-*.tgz package/LICENSE package/prebuilds
if readelf -S "$work/package/prebuilds/$platform"/* | grep -q '\.debug_'; then
  echo "check_kits: the npm tarball's libraries carry debug information" >&2; exit 1
fi
mkdir "$work/node-host"
cp bindings/node/host.js bindings/node/test/consumer.ts "$work/node-host/"
types=$repo/bindings/node/node_modules/@types
cat >"$work/node-host/tsconfig.json" <<EOF
{"compilerOptions": {"strict": true, "noEmit": true, "module": "node16", "target": "es2022",
                     "typeRoots": ["$types"], "types": ["node"]}, "files": ["consumer.ts"]}
EOF
(cd "$work/node-host" && npm init -y >/dev/null &&
  npm install --no-audit --no-fund --loglevel=error "$work"/axbridge-*.tgz &&
  [[ -e node_modules/axbridge/npm-shrinkwrap.json ]] &&  # the locked koffi, for the next install
  node -e 'const {scripts = {}} = require("axbridge/package.json");
    if (scripts.preinstall || scripts.install || scripts.postinstall) process.exit(1)' &&
  env -u AXBRIDGE_LIBRARY node host.js &&
  { [[ -z $real ]] || env -u AXBRIDGE_LIBRARY node -e \
    'process.exit(Number(require("axbridge").load().simulated))'; } &&
  "$repo/bindings/node/node_modules/.bin/tsc" -p .)

# The system's Python, where pytest, setuptools and mypy come from (a python3 earlier on the PATH
# may be another interpreter).
python=/usr/bin/python3
echo "== Python package ($($python --version))"
(cd bindings/python &&
  AXBRIDGE_LIBRARY=$sim PYTHONDONTWRITEBYTECODE=1 $python -m pytest -q -p no:cacheprovider tests)
PYTHONDONTWRITEBYTECODE=1 $python scripts/check_event_types.py  # both packages' event types
stage python axbridge
cp LICENSE "$work/bindings/python/"
$python -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --quiet --no-index --no-build-isolation "$work/bindings/python"
mkdir "$work/python-host"
cp bindings/python/host.py bindings/python/tests/consumer.py "$work/python-host/"
(cd "$work/python-host" && env -u AXBRIDGE_LIBRARY "$work/venv/bin/python" host.py &&
  { [[ -z $real ]] || env -u AXBRIDGE_LIBRARY "$work/venv/bin/python" -c \
    'import axbridge, sys; sys.exit(axbridge.load().simulated)'; } &&
  mypy --strict --no-incremental --cache-dir=/dev/null --python-executable "$work/venv/bin/python" \
    host.py consumer.py)
