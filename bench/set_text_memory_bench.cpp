// Peak memory of replacing the selection with a large text, against the text's size: the
// library's own path (the paste reaches no field) and the whole desktop (it lands in the text
// area, whose text model the simulated desktop keeps as well). Linux only: the peak is read from
// /proc and reset before each replacement.
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

#include "support.h"

namespace axb::bench {
namespace {

// The process's resident set (or its peak since the last reset) in bytes.
std::optional<std::int64_t> residentBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::stoll(line.substr(line.find(':') + 1)) * 1024;
  }
  return std::nullopt;
}

bool resetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear.flush());
}

void BM_SetTextPeakMemory(benchmark::State& state, bool intoField) {
  const auto textBytes = static_cast<std::size_t>(state.range(0)) << 20;
  double overText = 0;
  for (auto _ : state) {
    state.PauseTiming();
    freshWorld();
    if (intoField) {
      desk().focus("notes.body");
    } else {
      desk().clearFocus(kNotes);
    }
    settle();
    std::string text = sampleText(textBytes);
    const std::optional<std::int64_t> before = residentBytes("VmRSS:");
    if (!before || !resetPeak()) {
      state.SkipWithError("no peak memory to read on this system");
      return;
    }
    state.ResumeTiming();
    setText(text.c_str());
    desk().runUntilIdle();
    state.PauseTiming();
    overText =
        static_cast<double>(*residentBytes("VmHWM:") - *before) / static_cast<double>(textBytes);
    state.ResumeTiming();
  }
  state.counters["peak_over_text"] = overText;
}

BENCHMARK_CAPTURE(BM_SetTextPeakMemory, library_path, false)
    ->ArgName("text_mb")
    ->Arg(smokeRun() ? 1 : 100)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SetTextPeakMemory, into_text_area, true)
    ->ArgName("text_mb")
    ->Arg(smokeRun() ? 1 : 100)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace axb::bench
