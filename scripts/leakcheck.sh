#!/usr/bin/env bash
# Builds axbridge-watch in a Debug build without sanitizers (build-valgrind) and plays its
# built-in demo and every example scenario under valgrind's memcheck. Fails on any memory error
# and on any block definitely or indirectly lost; blocks still reachable at exit (the
# process-lifetime singletons: the desktop, the library's globals) are allowed.
#
# usage: scripts/leakcheck.sh [scenario.json ...]   (default: the demo and examples/scenarios/*)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

echo "== building axbridge-watch in build-valgrind"
cmake -S . -B build-valgrind -G Ninja -DCMAKE_BUILD_TYPE=Debug -DAXBRIDGE_SANITIZE=OFF \
  -DAXBRIDGE_BUILD_TESTS=OFF -DAXBRIDGE_BUILD_FUZZ=OFF >/dev/null
cmake --build build-valgrind -j2 --target axbridge-watch
watch=build-valgrind/tools/axbridge-watch/axbridge-watch

runs=()
if [[ $# -gt 0 ]]; then
  runs=("$@")
else
  runs=(demo examples/scenarios/*.json)
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
failed=()
for run in "${runs[@]}"; do
  arguments=()
  [[ "$run" != demo ]] && arguments=(--state "$run")
  log="$logs/$(basename "$run").log"
  status=0
  valgrind --tool=memcheck --quiet --error-exitcode=1 --leak-check=full \
    --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
    --track-origins=yes --log-file="$log" "$watch" "${arguments[@]}" >/dev/null || status=$?
  if [[ $status -eq 0 && ! -s "$log" ]]; then
    echo "ok      $run"
  else
    echo "FAILED  $run (exit status $status)"
    cat "$log"
    failed+=("$run")
  fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "leakcheck: ${#failed[@]} of ${#runs[@]} runs failed: ${failed[*]}" >&2
  exit 1
fi
echo "leakcheck: ${#runs[@]} runs clean under memcheck"
