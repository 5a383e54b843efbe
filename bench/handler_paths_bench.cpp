// The library's own time per notification on each handler path, from the platform callback to
// the handler's return, with the desktop's share (the same requests replayed straight through
// the boundary) measured beside it and taken out; and the requests each notification makes,
// which in a real application are round trips to another process.
#include <memory>

#include "support.h"

namespace axb::bench {
namespace {

struct Path {
  PathMeasurement measurement;
  std::vector<BoundaryProfile> profiles;
  std::vector<DesktopReplay> replays;
};

// An accessibility notification delivered to a handler as the platform delivers it.
std::function<void()> notify(platform::ObserverCallback handler, const std::string& elementId,
                             const char* notification) {
  const platform::Element element = desk().element(elementId);
  void* const refcon = &tracker();
  return [handler, element, notification, refcon] { handler(element, notification, refcon); };
}

// The parameters the library builds: the selected range, and the selection's text markers.
ParameterFor selectionParameters(const std::string& elementId) {
  const platform::Element element = desk().element(elementId);
  const Range range = desk().selection(elementId);
  const platform::Object markers =
      platform::copyAttributeValue(element, "AXSelectedTextMarkerRange").value;
  return [range, markers](std::string_view attribute) {
    if (attribute.find("TextMarkerRange") != std::string_view::npos) {
      return platform::makeTextMarkerRange(platform::textMarkerRangeStart(markers),
                                           platform::textMarkerRangeEnd(markers));
    }
    return platform::Object::makeRange(range);
  };
}

// One notification path: fire through its cycle once to get past first-time registrations, then
// profile each notification of the cycle. cycle[i] lists the application elements notification
// i creates.
Path pathOf(std::function<void()> fire, const ParameterFor& parameters,
            const std::vector<std::vector<ProcessId>>& cycle = {{}}) {
  Path path;
  path.measurement.fire = std::move(fire);
  for (std::size_t i = 0; i < cycle.size(); ++i) path.measurement.fire();
  settle();
  for (const auto& applicationElements : cycle) {
    path.profiles.push_back(profileOf(path.measurement.fire));
    path.replays.emplace_back(path.profiles.back(), parameters, applicationElements);
  }
  return path;
}

platform::WorkspaceEvent activation(ProcessId pid) {
  return {platform::WorkspaceEventKind::ApplicationActivated, desk().runningApplication(pid)};
}

// Notes and Mail brought to the front in turn: each switch is accepted and reported.
Path appSwitch() {
  freshWorld();
  auto toMail = std::make_shared<bool>(false);
  const auto notes = activation(kNotes);
  const auto mail = activation(kMail);
  auto fire = [toMail, notes, mail] {
    *toMail = !*toMail;
    tracker().appChangedEvent(*toMail ? mail : notes);
  };
  return pathOf(fire, selectionParameters("notes.body"), {{kMail}, {kNotes}});
}

Path focusChange() {
  freshWorld();
  return pathOf(notify(tracker::MacAccessibility::uiFocusedChange(), "notes.body",
                       "AXFocusedUIElementChanged"),
                selectionParameters("notes.body"));
}

Path caretMove() {
  freshWorld(kNoteText, {12, 0});
  return pathOf(notify(tracker::MacAccessibility::selectedTextChange(), "notes.body",
                       "AXSelectedTextChanged"),
                selectionParameters("notes.body"));
}

Path textAreaSelection() {
  freshWorld(kNoteText, {15, 9});
  return pathOf(notify(tracker::MacAccessibility::selectedTextChange(), "notes.body",
                       "AXSelectedTextChanged"),
                selectionParameters("notes.body"));
}

Path staticTextSelection() {
  freshWorld();
  desk().select("notes.label", {0, 9});
  settle();
  return pathOf(notify(tracker::MacAccessibility::selectedTextChange(), "notes.label",
                       "AXSelectedTextChanged"),
                selectionParameters("notes.label"));
}

// The notification names the window, which has no selection: nothing to report.
Path windowMove() {
  freshWorld(kNoteText, {15, 9});
  return pathOf(
      notify(tracker::MacAccessibility::uiPositionChange(), "notes.window", "AXWindowMoved"),
      selectionParameters("notes.body"));
}

// The notification names the text area, whose selection is reported afresh ("ui_reized").
Path windowMoveOverSelection() {
  freshWorld(kNoteText, {15, 9});
  return pathOf(
      notify(tracker::MacAccessibility::uiPositionChange(), "notes.body", "AXWindowMoved"),
      selectionParameters("notes.body"));
}

void BM_HandlerPath(benchmark::State& state, Path (*make)()) {
  const Path path = make();
  measurePath(state, path.measurement, path.profiles, path.replays);
}

BENCHMARK_CAPTURE(BM_HandlerPath, app_switch, &appSwitch)
    ->MinTime(minTime(0.2))
    ->Repetitions(repetitions(3))
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_HandlerPath, focus_change, &focusChange)
    ->MinTime(minTime(0.2))
    ->Repetitions(repetitions(3))
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_HandlerPath, caret_move, &caretMove)
    ->MinTime(minTime(0.2))
    ->Repetitions(repetitions(3))
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_HandlerPath, text_area_selection, &textAreaSelection)
    ->MinTime(minTime(0.2))
    ->Repetitions(repetitions(3))
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_HandlerPath, static_text_selection, &staticTextSelection)
    ->MinTime(minTime(0.2))
    ->Repetitions(repetitions(3))
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_HandlerPath, window_move, &windowMove)
    ->MinTime(minTime(0.2))
    ->Repetitions(repetitions(3))
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_HandlerPath, window_move_over_selection, &windowMoveOverSelection)
    ->MinTime(minTime(0.2))
    ->Repetitions(repetitions(3))
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace axb::bench
