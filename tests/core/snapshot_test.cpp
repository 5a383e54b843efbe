// Where the selection snapshot finds the selection's rectangle, and that reading it never changes
// the user's text or selection.
#include <optional>
#include <string>
#include <vector>

#include "bridge/event_channel.h"
#include "sim_desktop/values.h"
#include "support/desktop_fixture.h"
#include "tracker/mac_accessibility.h"

namespace axb::testing {
namespace {

using nlohmann::json;

class SnapshotTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    addNotesApp("Hello wrld", {6, 4});
    // A web editor: its selection is described by ranges and by text markers.
    desk().addElement(kNotes, {.id = "notes.web",
                               .role = "AXTextArea",
                               .window = "notes.window",
                               .frame = {110, 300, 580, 100},
                               .text = sim::TextKind::Web,
                               .value = "web text here",
                               .selection = {4, 4}});
    tracker.frontmostApp = desk().runningApplication(kNotes);
    tracker.processID = kNotes;
  }
  json snapshotOf(const std::string& id) {
    tracker.focusedElement = desk().element(id);
    return tracker.nativeTextFieldSelectedText();
  }
  static json withApp(json payload) {
    payload.update({{"bundle_id", "com.example.notes"}, {"name", "Notes"}});
    return payload;
  }
  static json snapshot(const std::string& text, bool editable, Rect r) {
    return withApp({{"selected_text", text},
                    {"is_editable", editable},
                    {"position", {{"x", r.x}, {"y", r.y}}},
                    {"size", {{"width", r.width}, {"height", r.height}}}});
  }

  tracker::MacAccessibility tracker{bridge::callbackWraper};
};

// Range bounds (a negative x reported as its absolute value); without height the text markers
// measure, forward and then swapped (the forward y kept unless the swapped one is positive).
TEST_F(SnapshotTest, RangeBoundsThenTextMarkersForwardThenSwappedGiveTheGeometry) {
  desk().setParameterizedAttribute("notes.body", "AXBoundsForRange",
                                   sim::makeRectValue({-1500, 40, 28, -16}));
  EXPECT_EQ(snapshotOf("notes.body"), snapshot("wrld", true, {1500, 40, 28, 16}));
  desk().setParameterizedAttribute("notes.body", "AXBoundsForRange",
                                   sim::makeRectValue({1, 2, 3, 0}));
  EXPECT_EQ(snapshotOf("notes.body"), withApp({{"message", "something is wrong com"}}));

  desk().setParameterizedAttribute("notes.web", "AXBoundsForRange",
                                   sim::makeRectValue({1, 2, 3, 0}));
  EXPECT_EQ(snapshotOf("notes.web"), snapshot("text", true, {142, 304, 28, 16}));
  for (const auto& [swapped, expected] : std::vector<std::pair<std::optional<Rect>, json>>{
           {Rect{-5, -3, -9, 18}, snapshot("text", true, {-5, 60, 9, 18})},
           {Rect{80, 90, 10, 16}, snapshot("text", true, {80, 90, 10, 16})},
           {std::nullopt, json{{"message", "something wrong rev"}}}}) {
    int boundsRequests = 0;
    desk().setRequestHook([&](const sim::RequestInfo& request) {
      if (request.attribute != "AXBoundsForTextMarkerRange") return;
      if (++boundsRequests == 1 || swapped) {
        desk().setParameterizedAttribute(
            "notes.web", "AXBoundsForTextMarkerRange",
            sim::makeRectValue(boundsRequests == 1 ? Rect{50, 60, 70, 0} : *swapped));
      } else {
        desk().setParameterizedAttributeError("notes.web", "AXBoundsForTextMarkerRange", -25212);
      }
    });
    EXPECT_EQ(snapshotOf("notes.web"), expected);
    EXPECT_EQ(boundsRequests, 2);
  }
  desk().setRequestHook(nullptr);
  // No rectangle at all: the message, and the text for a host that looks for it.
  desk().setParameterizedAttributeError("notes.web", "AXBoundsForTextMarkerRange", -25212);
  EXPECT_EQ(snapshotOf("notes.web"),
            withApp({{"message", "something is wrong com"}, {"selected_text", "text"}}));
  EXPECT_EQ(desk().selection("notes.web"), (Range{4, 4}));
  EXPECT_EQ(desk().text("notes.web"), "web text here");
}

}  // namespace
}  // namespace axb::testing
