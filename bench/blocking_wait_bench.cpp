// Processor time of the blocking wait that pasting performs (0.2 s, then 1.0 s). The simulated
// desktop's clock is virtual, so this measures, on the real clock, the same wait the macOS and
// Linux bindings make (sleeping in slices until a monotonic deadline), beside a busy-waiting loop
// of the same length.
#include <sys/resource.h>
#include <time.h>

#include "platform/sliced_wait.h"
#include "support.h"

namespace axb::bench {
namespace {

double monotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The bindings' wait, on the real clock.
void sleepUntil(double deadline) {
  platform::waitInSlicesUntil(deadline, monotonicSeconds);
}

// Comparing the clock with the deadline until it has passed.
void busyWaitUntil(double deadline) {
  while (monotonicSeconds() < deadline) {
  }
}

template <void (*Wait)(double)>
void BM_BlockingWait(benchmark::State& state) {
  const double seconds = static_cast<double>(state.range(0)) / 1000.0;
  double processor = 0;
  double overshoot = 0;
  for (auto _ : state) {
    const double cpuBefore = processorSeconds();
    const double deadline = monotonicSeconds() + seconds;
    Wait(deadline);
    overshoot += monotonicSeconds() - deadline;
    processor += processorSeconds() - cpuBefore;
  }
  const auto waits = static_cast<double>(state.iterations());
  state.counters["cpu_s"] = processor / waits;
  state.counters["cpu_share"] = processor / (waits * seconds);
  state.counters["overshoot_ms"] = overshoot / waits * 1e3;
}

BENCHMARK_TEMPLATE(BM_BlockingWait, sleepUntil)
    ->Name("BM_BlockingWait/sleep")
    ->ArgName("ms")
    ->Arg(200)
    ->Arg(1000)
    ->Iterations(repetitions(2))
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_TEMPLATE(BM_BlockingWait, busyWaitUntil)
    ->Name("BM_BlockingWait/busy")
    ->ArgName("ms")
    ->Arg(200)
    ->Arg(1000)
    ->Iterations(repetitions(2))
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace axb::bench
