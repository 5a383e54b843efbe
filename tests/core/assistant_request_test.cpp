// The host's request for assistant context.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bridge/globals.h"
#include "support/desktop_fixture.h"
#include "tracker/mac_accessibility.h"

namespace axb::testing {
namespace {

using nlohmann::json;

class AssistantRequestTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    addNotesApp("first line\nsecond");
    addMailApp();
    initAndStart();
    followApp(kNotes);
    forgetWhatHappened();
  }
  static json caretPayload(const std::string& text, Rect r) {
    return {{"selected_text", text},
            {"is_editable", true},
            {"position", {{"x", r.x}, {"y", r.y}}},
            {"size", {{"width", r.width}, {"height", r.height}}}};
  }
};

TEST_F(AssistantRequestTest, ACaretGivesTheTextAboveAndTheCharacterAtIt) {
  struct Case {
    std::int64_t caret;
    const char* above;
    Rect character;
  };
  for (const Case& c : std::vector<Case>{
           {13, "first line\nse", {114 + 2 * 7, 144 + 16, 7, 16}},  // "first line\nse|cond"
           {17, "first line\nsecond", {114 + 5 * 7, 160, 7, 16}},
           {0, "", {114, 144, 7, 16}},
       }) {
    desk().select("notes.body", {c.caret, 0});
    EXPECT_EQ(askForContext(), caretPayload(c.above, c.character)) << c.caret;
  }
  EXPECT_EQ(bridge::globals().macAccessibility->focusedElement, desk().element("notes.body"));
}

// Only a non-empty, unblocked text area of a followed application is answered.
TEST_F(AssistantRequestTest, OnlyANonEmptyUnblockedTextAreaOfTheFollowedApplicationIsAnswered) {
  start(R"({"com.example.notes": {"name": "AXRole", "value": "AXTextArea"}})");
  desk().select("notes.body", {0, 5});
  desk().runFor(0.5);
  desk().clearDiagnosticLines();
  EXPECT_TRUE(askForContext().is_null());
  desk().select("notes.body", {3, 0});
  EXPECT_TRUE(askForContext().is_null());
  EXPECT_EQ(std::count(lines().begin(), lines().end(), "blocked"), 3);  // one selection, two asks
  start("{}");
  desk().activate(kMail);  // a single-line field
  desk().runFor(0.5);
  EXPECT_TRUE(askForContext().is_null());
  desk().activate(kNotes);
  desk().runFor(0.5);
  desk().select("notes.body", {0, 17});
  desk().type("notes.body", "");
  EXPECT_TRUE(askForContext().is_null());
  bridge::resetProcessState();
  initAndStart();
  desk().resetRequestCount();
  EXPECT_TRUE(askForContext().is_null());
  EXPECT_EQ(desk().requestCount(), 0u);
}

}  // namespace
}  // namespace axb::testing
