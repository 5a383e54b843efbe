// Handler runs for one selection after the user has switched to the same application 1, 10 and
// 100 times. The text area is a blocked field, so every handler run writes one "blocked" line:
// the count of those lines is the count of runs, and it must not grow with the switches.
#include <algorithm>

#include "ax/observers.h"
#include "support.h"

namespace axb::bench {
namespace {

constexpr char kNotesBodyBlocked[] =
    R"({"com.example.notes": {"name": "AXRole", "value": "AXTextArea"}})";

void BM_HandlerRunsAfterSwitches(benchmark::State& state) {
  const auto switches = state.range(0);
  double runs = 0;
  double requests = 0;
  for (auto _ : state) {
    state.PauseTiming();
    freshWorld(kNoteText, {0, 0}, kNotesBodyBlocked);
    desk().focus("notes.body");  // the user clicks into the text after each switch
    settle();
    for (std::int64_t i = 1; i < switches; ++i) {
      desk().activate(kMail);
      settle();
      desk().activate(kNotes);
      desk().focus("notes.body");
      settle();
    }
    desk().resetRequestCount();
    state.ResumeTiming();

    desk().select("notes.body", {0, 4});
    desk().runUntilIdle();

    state.PauseTiming();
    const auto& lines = desk().diagnosticLines();
    runs = static_cast<double>(std::count(lines.begin(), lines.end(), "blocked"));
    requests = static_cast<double>(desk().requestCount());
    state.ResumeTiming();
  }
  state.counters["handler_runs"] = runs;
  state.counters["requests"] = requests;
  state.counters["registrations"] = static_cast<double>(ax::registrationCount());
}

BENCHMARK(BM_HandlerRunsAfterSwitches)
    ->ArgName("switches")
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Iterations(3)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace axb::bench
