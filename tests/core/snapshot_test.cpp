// Every result shape of the selection snapshot, and that it never changes the user's text or
// selection.
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
using platform::Object;

class SnapshotTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    addNotesApp("Hello wrld", {6, 4});
    // A web editor: selection described by ranges and by text markers.
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
  static json appKeys() { return {{"bundle_id", "com.example.notes"}, {"name", "Notes"}}; }
  static json withApp(json payload) {
    payload.update(appKeys());
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

TEST_F(SnapshotTest, NoFocusedElementGivesTheMessageWithApplicationKeys) {
  tracker.selectedText = "earlier";
  EXPECT_EQ(tracker.nativeTextFieldSelectedText(),
            withApp({{"message", "something is wrong com"}}));
  EXPECT_EQ(tracker.selectedText, "earlier");
  // Missing selected text counts as empty.
  desk().setAttributeError("notes.body", "AXSelectedText", -25212);
  EXPECT_EQ(snapshotOf("notes.body")["selected_text"], "");
  // The snapshot's own keys win over the application's.
  desk().clearOverrides("notes.body", "AXSelectedText");
  desk().addApplication({.pid = 50, .bundleId = "selected_text", .name = "position"});
  tracker.frontmostApp = desk().runningApplication(50);
  const json result = snapshotOf("notes.body");
  EXPECT_EQ(result["selected_text"], "wrld");
  EXPECT_EQ(result["bundle_id"], "selected_text");
}

// Range bounds: a negative x is reported as its absolute value; without height the text markers
// measure, and without markers the message comes back. A field that cannot take text is measured
// by markers only.
TEST_F(SnapshotTest, RangeBoundsOrTextMarkersGiveTheGeometry) {
  struct Case {
    const char* id;
    Rect rangeBounds;
    json expected;
  };
  for (const Case& c : std::vector<Case>{
           {"notes.body", {-1500, 40, 28, -16}, snapshot("wrld", true, {1500, 40, 28, 16})},
           {"notes.web", {1, 2, 3, 0}, snapshot("text", true, {142, 304, 28, 16})},
           {"notes.body", {1, 2, 3, 0}, withApp({{"message", "something is wrong com"}})},
       }) {
    desk().setParameterizedAttribute(c.id, "AXBoundsForRange", sim::makeRectValue(c.rangeBounds));
    EXPECT_EQ(snapshotOf(c.id), c.expected) << c.id;
  }
  desk().setSettable("notes.web", "AXValue", false);
  desk().setParameterizedAttributeError("notes.web", "AXBoundsForRange", -25200);
  desk().clearDiagnosticLines();
  EXPECT_EQ(snapshotOf("notes.web"), snapshot("text", false, {142, 304, 28, 16}));
  EXPECT_TRUE(lines().empty()) << "range bounds are not asked of a field that cannot take text";
}

// Forward marker bounds without height: the swapped markers are asked, and the y of the forward
// rectangle stays unless the swapped one has a positive y. Without any, the user's selection is
// left alone.
TEST_F(SnapshotTest, ZeroHeightMarkerBoundsUseTheSwappedMarkersAndTheSelectionStays) {
  desk().setParameterizedAttribute("notes.web", "AXBoundsForRange",
                                   sim::makeRectValue({0, 0, 0, 0}));
  struct Case {
    std::optional<Rect> swapped;  // nothing: the swapped range has no bounds
    json expected;
  };
  for (const Case& c : std::vector<Case>{
           {Rect{80, 90, 10, 16}, snapshot("text", true, {80, 90, 10, 16})},
           {std::nullopt, json{{"message", "something wrong rev"}}},
           // x as given (no absolute value on this path), sizes positive.
           {Rect{-5, -3, -9, 18}, snapshot("text", true, {-5, 60, 9, 18})},
           {Rect{5, 0, 9, 18}, snapshot("text", true, {5, 60, 9, 18})},
       }) {
    // The simulated engine answers the forward and the swapped range differently.
    int boundsRequests = 0;
    desk().setRequestHook([&](const sim::RequestInfo& request) {
      if (request.attribute != "AXBoundsForTextMarkerRange") return;
      if (++boundsRequests == 1 || c.swapped) {
        desk().setParameterizedAttribute(
            "notes.web", "AXBoundsForTextMarkerRange",
            sim::makeRectValue(boundsRequests == 1 ? Rect{50, 60, 70, 0} : *c.swapped));
      } else {
        desk().setParameterizedAttributeError("notes.web", "AXBoundsForTextMarkerRange", -25212);
      }
    });
    EXPECT_EQ(snapshotOf("notes.web"), c.expected);
    EXPECT_EQ(boundsRequests, 2);
  }
  desk().setRequestHook(nullptr);
  desk().setParameterizedAttributeError("notes.web", "AXBoundsForTextMarkerRange", -25212);
  // No rectangle at all: the message, and the text for a host that looks for it.
  EXPECT_EQ(snapshotOf("notes.web"),
            withApp({{"message", "something is wrong com"}, {"selected_text", "text"}}));
  EXPECT_EQ(desk().selection("notes.web"), (Range{4, 4}));
  EXPECT_EQ(desk().text("notes.web"), "web text here");
}

}  // namespace
}  // namespace axb::testing
