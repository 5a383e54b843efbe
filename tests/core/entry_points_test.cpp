// The C entry points: trust checks, start and its blocked field list, calls out of order, null
// pointers and ill-formed UTF-8.
#include <string>
#include <thread>
#include <vector>

#include "ax/observers.h"
#include "bridge/globals.h"
#include "support/desktop_fixture.h"
#include "tracker/mac_accessibility.h"

namespace axb::testing {
namespace {

class EntryPointsTest : public DesktopTest {
 protected:
  static BlockedFieldList& blockedList() {
    return bridge::globals().macAccessibility->blockedFiledsList;
  }
};

TEST_F(EntryPointsTest, OnlyThePopupPromptsAndCallsBeforeInitOrWithNullPointersDoNothing) {
  desk().setTrusted(false);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(isAccessibiltyEnabled());
  EXPECT_EQ(desk().promptCount(), 0);
  EXPECT_FALSE(showAccessibiltyPermisionPopup());
  EXPECT_EQ(desk().promptCount(), 1);
  desk().setTrusted(true);
  EXPECT_TRUE(isAccessibiltyEnabled());
  EXPECT_TRUE(showAccessibiltyPermisionPopup());
  EXPECT_EQ(desk().promptCount(), 1);
  // Calls before initMacAccessibility, and null pointers, do nothing.
  start("{}");
  setText("x");
  getDataForVeskAssist();
  focusPreiov();
  addMouseTracker(nullptr);
  EXPECT_TRUE(lines().empty());
  initMacAccessibility(&record);
  start(nullptr);
  setText(nullptr);
  addMouseTracker(nullptr);
  desk().runUntilIdle();
  EXPECT_TRUE(lines().empty());
  EXPECT_TRUE(received().empty());
}

TEST_F(EntryPointsTest, StartAnnouncesItselfAndTakesAnObjectOfObjects) {
  initMacAccessibility(&record);
  desk().setTrusted(false);  // start does not consult the trust state
  start(R"({"com.example.mail": {"name": "AXDescription", "value": "password"}})");
  EXPECT_EQ(lines(), std::vector<std::string>{"Accessibility is enabled"});
  ASSERT_EQ(blockedList().size(), 1u);
  EXPECT_EQ(blockedList().at("com.example.mail").at("value"), "password");
  // Ill-formed UTF-8 becomes replacement characters.
  start("{\"com.example.a\": {\"name\": \"AXTitle\", \"value\": \"pass\xFFword\"}}");
  EXPECT_EQ(blockedList().at("com.example.a").at("value"), "pass\xEF\xBF\xBDword");
  // Wrong shapes are dropped silently and the previous list stays.
  for (const char* wrong : {"[]", R"([{"name": "AXRole"}])", R"({"com.example.b": "AXRole"})",
                            R"({"com.example.b": 3})", R"({"x": {}, "y": []})"}) {
    desk().clearDiagnosticLines();
    start(wrong);
    EXPECT_EQ(lines(), std::vector<std::string>{"Accessibility is enabled"}) << wrong;
    EXPECT_EQ(blockedList().size(), 1u) << wrong;
    EXPECT_TRUE(blockedList().contains("com.example.a")) << wrong;
  }
  start("{}");
  EXPECT_TRUE(blockedList().empty());
}

TEST_F(EntryPointsTest, TextThatIsNotJsonOrTooLargeOrTooDeepPrintsTheParserError) {
  initMacAccessibility(&record);
  start(R"({"com.example.a": {"name": "AXRole"}})");
  for (const char* bad : {"not json", "{\"a\": ", "", "3", "\"text\"", "true", "null"}) {
    desk().clearDiagnosticLines();
    start(bad);
    ASSERT_EQ(lines().size(), 2u) << bad;
    EXPECT_EQ(lines()[0], "Accessibility is enabled");
    EXPECT_EQ(lines()[1].rfind("Error deserializing JSON: ", 0), 0u) << bad;
    EXPECT_GT(lines()[1].size(), std::string("Error deserializing JSON: ").size()) << bad;
    EXPECT_EQ(blockedList().size(), 1u) << bad;
  }
  // Lists too large or too deep are refused before they are built.
  const auto nested = [](std::size_t depth) {
    return R"({"a": )" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
  };
  const struct {
    std::string list;
    const char* line;
  } refused[] = {
      {std::string(16 * 1024 * 1024 + 1, '['),
       "Error deserializing JSON: the list is larger than 16 MiB"},
      {nested(65), "Error deserializing JSON: the list nests more than 64 arrays or objects"},
      {std::string(100'000, '[') + std::string(100'000, ']'),
       "Error deserializing JSON: the list nests more than 64 arrays or objects"},
  };
  for (const auto& [list, line] : refused) {
    desk().clearDiagnosticLines();
    start(list.c_str());
    EXPECT_EQ(lines(), (std::vector<std::string>{"Accessibility is enabled", line}));
    EXPECT_TRUE(blockedList().contains("com.example.a"));
  }
  desk().clearDiagnosticLines();
  start(nested(64).c_str());  // at the limit: a wrong shape, silently dropped
  EXPECT_EQ(lines(), std::vector<std::string>{"Accessibility is enabled"});
  // Tracking has started all the same.
  desk().addApplication({.pid = 10, .bundleId = "com.example.notes", .name = "Notes"});
  desk().activate(10);
  desk().runUntilIdle();
  EXPECT_EQ(names(), std::vector<std::string>{"app_changed"});
}

// The host re-initialises while the user is in Notes: the tracker replaced is stopped at once
// (its pending event still delivered), nothing is followed until start, and start takes Notes
// over (announcing it) under the new list, with nothing of the earlier tracker beside it.
TEST_F(EntryPointsTest, ASecondInitStopsTheTrackerAndStartTakesOverUnderTheNewList) {
  addNotesApp("Hello wrld", {0, 0});
  initAndStart();
  desk().activate(kNotes);
  desk().runFor(0.1);             // the switch is handled, its event still pending
  initMacAccessibility(&record);  // a fresh, unstarted tracker
  EXPECT_EQ(ax::registrationCount(), 0u);
  EXPECT_EQ(ax::subscriptionCount(), 0u);
  desk().runUntilIdle();
  EXPECT_EQ(names(), std::vector<std::string>{"app_changed"});  // the pending one, delivered
  forgetWhatHappened();
  start(R"({"com.example.notes": {"name": "AXRole", "value": "AXTextArea"}})");
  desk().runFor(0.5);
  EXPECT_EQ(names(), std::vector<std::string>{"app_changed"});
  forgetWhatHappened();
  desk().select("notes.body", {0, 5});
  desk().runFor(0.5);
  EXPECT_TRUE(received().empty());
  EXPECT_EQ(lines(), std::vector<std::string>{"blocked"});
  desk().focus("notes.label");
  desk().runFor(0.5);
  EXPECT_EQ(names(), std::vector<std::string>{"focused_changed"});
}

// A host calling from a worker thread gets a line and nothing else; the state the main thread
// uses is not touched (the sanitizers watch this), and the trust checks still answer.
TEST_F(EntryPointsTest, CallsFromAnotherThreadAreRefusedWithOneLine) {
  addNotesApp("Hello wrld", {6, 4});
  initAndStart();
  desk().activate(kNotes);
  desk().runFor(0.5);
  forgetWhatHappened();
  bool trusted = false;
  ::testing::internal::CaptureStdout();
  std::thread worker([&] {
    trusted = isAccessibiltyEnabled() && showAccessibiltyPermisionPopup();
    initMacAccessibility(&record);
    start("{}");
    setText("world");
    getDataForVeskAssist();
    focusPreiov();
    addMouseTracker(nullptr);
  });
  worker.join();
  const std::string output = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(trusted);
  EXPECT_EQ(output,
            "initMacAccessibility called off the main thread\n"
            "start called off the main thread\n"
            "setText called off the main thread\n"
            "getDataForVeskAssist called off the main thread\n"
            "focusPreiov called off the main thread\n"
            "addMouseTracker called off the main thread\n");
  desk().runUntilIdle();
  EXPECT_TRUE(received().empty());
  EXPECT_TRUE(lines().empty());
  EXPECT_TRUE(desk().postedKeyEvents().empty());
  EXPECT_EQ(desk().text("notes.body"), "Hello wrld");
  // The main thread goes on as before.
  desk().select("notes.body", {0, 5});
  desk().runFor(0.5);
  EXPECT_EQ(names(), std::vector<std::string>{"text_select"});
}

}  // namespace
}  // namespace axb::testing
