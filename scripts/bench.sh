#!/usr/bin/env bash
# Builds the benchmarks in an optimised build (build-bench), runs them on the simulated desktop,
# and prints their figures as a markdown table, with the processor they ran on. Arguments go to
# the benchmark program (for example --benchmark_filter=HandlerPath).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DAXBRIDGE_BUILD_BENCH=ON \
  -DAXBRIDGE_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target axbridge_bench -j2 >/dev/null

# The console output goes to the log; the summary table is what follows it.
log=build-bench/bench/bench.log
./build-bench/bench/axbridge_bench "$@" | tee "$log" | sed -n '/^| Benchmark |/,$p'
echo
echo "Processor: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)," \
  "$(nproc) cores; full output in $log"
