// Focus changes, window moves, and selection and caret changes as the host hears them.
#include <string>
#include <vector>

#include "ax/observers.h"
#include "bridge/globals.h"
#include "support/desktop_fixture.h"
#include "tracker/mac_accessibility.h"

namespace axb::testing {
namespace {

class FollowedNotesTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    addNotesApp();
    addMailApp();
    initAndStart();
    followApp(kNotes);
    forgetWhatHappened();
  }
  static tracker::MacAccessibility& tracker() { return *bridge::globals().macAccessibility; }
  static void settle() { desk().runFor(0.5); }
  static const ReceivedEvent& only() {
    EXPECT_EQ(received().size(), 1u);
    return received().front();
  }
};

TEST_F(FollowedNotesTest, FocusOnAnyElementWithARoleIsReportedAndWatched) {
  desk().addElement(kNotes, {.id = "notes.button", .role = "AXButton", .window = "notes.window"});
  desk().addElement(kNotes, {.id = "notes.blob", .window = "notes.window"});  // no role
  const auto before = ax::registrationCount();
  desk().focus("notes.button");
  settle();
  EXPECT_EQ(only().name, "focused_changed");
  EXPECT_EQ(only().data, (nlohmann::json{{"bundle_id", "com.example.notes"}, {"name", "Notes"}}));
  EXPECT_EQ(tracker().focusedElement, desk().element("notes.button"));
  EXPECT_EQ(ax::registrationCount(), before + 1);
  received().clear();
  desk().focus("notes.blob");  // changes nothing
  settle();
  EXPECT_TRUE(received().empty());
  EXPECT_EQ(tracker().focusedElement, desk().element("notes.button"));
  EXPECT_EQ(ax::registrationCount(), before + 1);
}

// ---- Blocked fields

TEST_F(FollowedNotesTest, ABlockedFieldStaysSilentButBecomesFocused) {
  start(R"({"com.example.notes": {"name": "AXRole", "value": "AXTextArea"}})");
  desk().clearDiagnosticLines();
  desk().select("notes.body", {0, 5});
  settle();
  EXPECT_TRUE(received().empty());
  EXPECT_EQ(lines(), std::vector<std::string>{"blocked"});
  EXPECT_EQ(tracker().focusedElement, desk().element("notes.body"));
  desk().select("notes.body", {3, 0});  // a bare caret says nothing either
  settle();
  EXPECT_TRUE(received().empty());
  // A field the entry does not match is reported as usual.
  desk().select("notes.label", {0, 4});
  settle();
  EXPECT_EQ(names(), std::vector<std::string>{"text_select"});
  // A window move never leaks it.
  desk().select("notes.body", {6, 4});
  settle();
  received().clear();
  desk().clearDiagnosticLines();
  desk().postNotification("notes.body", "AXWindowMoved");
  settle();
  EXPECT_TRUE(received().empty());
  EXPECT_EQ(lines(), std::vector<std::string>{"blocked"});
  // Once another application is followed, it is not even looked at.
  desk().activate(kMail);
  settle();
  received().clear();
  desk().clearDiagnosticLines();
  const auto requests = desk().requestCount();
  desk().select("notes.body", {0, 5});
  settle();
  EXPECT_TRUE(received().empty());
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(desk().requestCount(), requests);
}

// An entry without value blocks fields where the attribute is unreadable; values match when
// canonically equivalent, case-sensitively; entries of other applications and malformed entries
// never match.
TEST_F(FollowedNotesTest, EntriesMatchTheFieldsTheyName) {
  const struct {
    const char* list;
    const char* field;
    bool blocked;
  } cases[] = {
      {R"({"com.example.notes": {"name": "AXPlaceholderValue"}})", "notes.body", true},
      {R"({"com.example.notes": {"name": "AXPlaceholderValue"}})", "notes.label", false},
      {R"({"com.example.notes": {"name": "AXDescription", "value": "Cafe\u0301"}})", "notes.body",
       true},
      {R"({"com.example.notes": {"name": "AXDescription", "value": "CAF\u00c9"}})", "notes.body",
       false},
      {R"({"com.example.mail": {"name": "AXRole", "value": "AXTextArea"},
           "com.example.notes": {"value": "AXTextArea"}})",
       "notes.body", false},
  };
  desk().setAttribute("notes.label", "AXPlaceholderValue", platform::Object::makeString("x"));
  desk().setAttribute("notes.body", "AXDescription", platform::Object::makeString("Caf\u00e9"));
  int offset = 0;
  for (const auto& c : cases) {
    start(c.list);
    received().clear();
    desk().select(c.field, {offset++ % 2, 4});
    settle();
    EXPECT_EQ(received().empty(), c.blocked) << c.list << c.field;
  }
}

// ---- Cost in requests to the other application

TEST_F(FollowedNotesTest, RequestCountsOfCaretAndSelectionArePinned) {
  desk().resetRequestCount();
  desk().select("notes.body", {3, 0});
  settle();
  const auto caret = desk().requestCount();
  desk().resetRequestCount();
  desk().select("notes.body", {6, 4});
  settle();
  const auto selection = desk().requestCount();
  // Caret: selected text and role. Selection: those, then range, text, settable and bounds.
  EXPECT_EQ(caret, 2u);
  EXPECT_EQ(selection, 6u);
}

}  // namespace
}  // namespace axb::testing
