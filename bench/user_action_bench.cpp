// What one action of the user costs end to end: the notifications the application posts reach
// every registration that hears them, each handler run makes its requests, and the delivery step
// runs. Counted per action: requests, handler runs (events posted or diagnostic lines, one per
// run on these paths) and events the host receives. The text area has keyboard focus, so its
// selection changes reach both the application's registration and its own. Timed with the
// desktop's run loop included.
#include "support.h"

namespace axb::bench {
namespace {

using Action = void (*)(bool flip);

void appSwitch(bool flip) {
  desk().activate(flip ? kMail : kNotes);
}
void focusChange(bool flip) {
  desk().focus(flip ? "notes.label" : "notes.body");
}
void caretMove(bool flip) {
  desk().select("notes.body", {flip ? 12 : 13, 0});
}
void textAreaSelection(bool flip) {
  desk().select("notes.body", {15, flip ? 9 : 8});
}
void staticTextSelection(bool flip) {
  desk().select("notes.label", {0, flip ? 9 : 8});
}
void windowMove(bool flip) {
  desk().moveWindow("notes.window", {flip ? 120.0 : 100.0, 100});
}

void BM_UserAction(benchmark::State& state, Action action) {
  freshWorld(kNoteText, {15, 9});
  desk().focus("notes.body");  // the user works in the text area
  settle();
  for (const bool flip : {true, false}) {  // first-time registrations
    action(flip);
    settle();
  }
  std::uint64_t posts = 0;
  auto& sink = tracker().callback;
  const tracker::MacAccessibility::EventSink original = sink;
  sink = [&](const std::string& name, EventDictionary payload) {
    ++posts;
    original(name, std::move(payload));
  };
  desk().resetRequestCount();
  hostCalls() = 0;
  std::uint64_t lines = 0;
  bool flip = true;
  for (auto _ : state) {
    action(flip);
    flip = !flip;
    desk().runUntilIdle();
    lines += desk().diagnosticLines().size();
    desk().clearDiagnosticLines();
  }
  sink = original;
  const auto actions = static_cast<double>(state.iterations());
  state.counters["requests"] = static_cast<double>(desk().requestCount()) / actions;
  state.counters["posts"] = static_cast<double>(posts) / actions;
  state.counters["diagnostic_lines"] = static_cast<double>(lines) / actions;
  state.counters["host_events"] = static_cast<double>(hostCalls()) / actions;
}

BENCHMARK_CAPTURE(BM_UserAction, app_switch, &appSwitch)->MinTime(minTime(0.2));
BENCHMARK_CAPTURE(BM_UserAction, focus_change, &focusChange)->MinTime(minTime(0.2));
BENCHMARK_CAPTURE(BM_UserAction, caret_move, &caretMove)->MinTime(minTime(0.2));
BENCHMARK_CAPTURE(BM_UserAction, text_area_selection, &textAreaSelection)->MinTime(minTime(0.2));
BENCHMARK_CAPTURE(BM_UserAction, static_text_selection, &staticTextSelection)
    ->MinTime(minTime(0.2));
BENCHMARK_CAPTURE(BM_UserAction, window_move, &windowMove)->MinTime(minTime(0.2));

}  // namespace
}  // namespace axb::bench
