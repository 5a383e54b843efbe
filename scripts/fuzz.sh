#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz, and runs each one for a bounded time from a scratch copy of its seed corpus (the
# committed corpus is never modified). Fails when any target finds a crash, a leak, undefined
# behaviour, a failed check or a slow input; the inputs that did it are kept in
# build-fuzz/findings/<target>/.
#
# usage: scripts/fuzz.sh [seconds per target (default 30)] [target ...]
#   targets: blocked_fields set_text payload scenario hostile_app (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

seconds=${1:-30}
[[ $# -gt 0 ]] && shift
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=(blocked_fields set_text payload scenario hostile_app)
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: seconds must be a whole number above 0" >&2; exit 2; }

echo "== building fuzz targets in build-fuzz"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DAXBRIDGE_BUILD_FUZZ=ON -DAXBRIDGE_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
  work="$scratch/$target"
  mkdir -p "$work/corpus" "$work/findings"
  cp fuzz/corpus/"$target"/* "$work/corpus/"
  # Every example scenario seeds the scenario target too.
  if [[ $target == scenario ]]; then cp examples/scenarios/*.json "$work/corpus/"; fi
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192
           -artifact_prefix="$work/findings/" -print_final_stats=1)
  [[ -f fuzz/dict/$target.dict ]] && options+=(-dict="fuzz/dict/$target.dict")

  echo "== fuzz_$target for ${seconds}s"
  if build-fuzz/fuzz/fuzz_"$target" "${options[@]}" "$work/corpus" >"$work/log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$work/log" || true
  else
    failed+=("$target")
    tail -n 60 "$work/log"
    rm -rf build-fuzz/findings/"$target"
    mkdir -p build-fuzz/findings/"$target"
    cp "$work"/findings/* build-fuzz/findings/"$target"/ 2>/dev/null || true
    echo "fuzz: fuzz_$target failed; inputs kept in build-fuzz/findings/$target/"
  fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz: findings in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran ${seconds}s each without findings"
