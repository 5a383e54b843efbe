// Handler runs for one selection after the user has switched to the same application 1, 10 and
// 100 times. The text area is a blocked field, so every handler run writes one "blocked" line:
// the count of those lines is the count of runs, and it must not grow with the switches.
#include <algorithm>
#include <string>

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
      settle();
      desk().focus("notes.body");  // once the application is in front
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
  state.counters["registered_elements"] = static_cast<double>(ax::registeredElementCount());
}

// Registrations in force after the user visited many fields that then went away (a dialog's
// fields, a list's cells): they must not pile up over the session.
void BM_RegistrationsAfterFocusChanges(benchmark::State& state) {
  const auto changes = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    freshWorld(kNoteText, {0, 0}, "{}");
    state.ResumeTiming();
    for (std::int64_t i = 0; i < changes; ++i) {
      const std::string id = "notes.cell" + std::to_string(i);
      desk().addElement(kNotes, {.id = id, .role = "AXTextField", .window = "notes.window"});
      desk().focus(id);
      desk().runFor(0.01);
      desk().destroyElement(id);
    }
    desk().focus("notes.body");
    settle();
  }
  state.counters["registrations"] = static_cast<double>(ax::registrationCount());
  state.counters["registered_elements"] = static_cast<double>(ax::registeredElementCount());
}

BENCHMARK(BM_RegistrationsAfterFocusChanges)
    ->ArgName("focus_changes")
    ->Arg(1000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_HandlerRunsAfterSwitches)
    ->ArgName("switches")
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Iterations(repetitions(3))
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace axb::bench
