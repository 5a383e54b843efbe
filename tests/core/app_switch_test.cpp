// Following the frontmost application.
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ax/observers.h"
#include "bridge/globals.h"
#include "platform/accessibility.h"
#include "support/desktop_fixture.h"
#include "tracker/mac_accessibility.h"

namespace axb::testing {
namespace {

class AppSwitchTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    initAndStart();
    addNotesApp();
    addMailApp();
    desk().addApplication({.pid = 99, .bundleId = "com.example.writer", .name = "Quorvalent"});
    desk().runUntilIdle();
    desk().clearDiagnosticLines();
  }
  static void switchTo(ProcessId pid) {
    desk().activate(pid);
    desk().runFor(0.5);  // further apart than the delivery delay
  }
  static tracker::MacAccessibility& tracker() { return *bridge::globals().macAccessibility; }
};

TEST_F(AppSwitchTest, SwitchReportsTheApplicationRecordsAndWatchesIt) {
  switchTo(kNotes);
  ASSERT_EQ(names(), std::vector<std::string>{"app_changed"});
  EXPECT_EQ(received()[0].data,
            (nlohmann::json{
                {"role", "AXApplication"}, {"name", "Notes"}, {"bundle_id", "com.example.notes"}}));
  EXPECT_EQ(tracker().processID, kNotes);
  EXPECT_EQ(tracker().frontmostApp->processIdentifier(), kNotes);
  EXPECT_FALSE(tracker().focusedElement.has_value());
  EXPECT_EQ(ax::registrationCount(), 4u);  // focus, window moved, window resized, selection
  const auto enhanced =
      platform::copyAttributeValue(desk().applicationElement(kNotes), "AXEnhancedUserInterface");
  EXPECT_EQ(enhanced.value.boolean(), true);
  // A terminated application loses its registrations.
  desk().focus("notes.body");
  desk().runFor(0.5);
  EXPECT_EQ(ax::registrationCount(), 5u);
  desk().terminate(kNotes);
  desk().runUntilIdle();
  EXPECT_EQ(ax::registrationCount(), 0u);
  EXPECT_EQ(desk().liveRegistrationCount(), 0u);
}

TEST_F(AppSwitchTest, AFocusAnnouncedRightAfterTheSwitchStillNamesTheApplication) {
  // Some toolkits announce the focus again whenever a window becomes active.
  desk().addApplication({.pid = 30,
                         .bundleId = "com.example.editor",
                         .name = "Editor",
                         .announcesFocusOnActivation = true});
  desk().addElement(30, {.id = "editor.window", .role = "AXWindow", .frame = {0, 0, 400, 300}});
  desk().addElement(30, {.id = "editor.field",
                         .role = "AXTextField",
                         .window = "editor.window",
                         .frame = {10, 40, 300, 24},
                         .text = sim::TextKind::Native,
                         .value = "draft"});
  desk().focus("editor.field");
  desk().runUntilIdle();
  switchTo(30);
  // The focus change replaces the switch in the host's latest event; it names the application, so
  // the host still learns which one is in front.
  ASSERT_EQ(names(), std::vector<std::string>{"focused_changed"});
  EXPECT_EQ(received()[0].data,
            (nlohmann::json{{"bundle_id", "com.example.editor"}, {"name", "Editor"}}));
  EXPECT_EQ(tracker().processID, 30);
  EXPECT_EQ(tracker().focusedElement, desk().element("editor.field"));

  switchTo(kNotes);
  received().clear();
  switchTo(30);
  EXPECT_EQ(names(), std::vector<std::string>{"focused_changed"});
}

TEST_F(AppSwitchTest, SwitchingBackAndForthDoesNotMultiplyHandlerRuns) {
  start(R"({"com.example.notes": {"name": "AXRole", "value": "AXTextArea"}})");
  // Each handler run on a selection writes one "blocked" line.
  const auto handlerRunsOnSelecting = [](Range selection) {
    desk().focus("notes.body");
    desk().runFor(0.5);
    desk().clearDiagnosticLines();
    desk().select("notes.body", selection);
    desk().runFor(0.5);
    return std::count(lines().begin(), lines().end(), "blocked");
  };
  switchTo(kNotes);
  EXPECT_EQ(handlerRunsOnSelecting({0, 5}), 2);  // application element and focused element
  switchTo(kMail);
  switchTo(kNotes);
  EXPECT_EQ(handlerRunsOnSelecting({1, 5}), 2);
  const auto all = names();
  EXPECT_EQ(std::count(all.begin(), all.end(), "app_changed"), 3);
}

// The library's own process is never followed, whatever its name.
TEST_F(AppSwitchTest, TheHostIsNeverFollowedAndWithoutFocusedElementLittleIsWatched) {
  desk().addApplication({.pid = 77, .bundleId = "com.example.renamed", .name = "Renamed host"});
  desk().setHostProcess(77);
  switchTo(77);
  EXPECT_TRUE(received().empty());
  EXPECT_FALSE(tracker().frontmostApp.has_value());
  EXPECT_EQ(desk().requestCount(), 0u);
  desk().clearFocus(kMail);
  switchTo(kMail);
  ASSERT_EQ(names(), std::vector<std::string>{"app_changed"});
  EXPECT_EQ(
      received()[0].data,
      (nlohmann::json{{"role", nullptr}, {"name", "Mail"}, {"bundle_id", "com.example.mail"}}));
  EXPECT_EQ(ax::registrationCount(), 2u);
  // Without a bundle identifier either, nothing is reported or watched; it is still recorded.
  desk().addApplication({.pid = 30, .name = "Nameless"});
  switchTo(30);
  EXPECT_EQ(received().size(), 1u);
  EXPECT_EQ(ax::registrationCount(), 0u);
  EXPECT_EQ(tracker().processID, 30);
}

TEST_F(AppSwitchTest, SwitchingAwayAsksTheApplicationLeftNothing) {
  // Leaving a hung application must not wait on it: it is asked nothing.
  switchTo(kNotes);
  desk().focus("notes.body");
  desk().runFor(0.5);
  int requestsToNotes = 0;
  desk().setRequestHook([&](const sim::RequestInfo& info) {
    requestsToNotes += info.elementId.starts_with("notes.") || info.elementId == "app:10";
  });
  desk().setResponsive(kNotes, false);
  const double before = desk().now();
  switchTo(kMail);
  EXPECT_EQ(requestsToNotes, 0);
  EXPECT_LT(desk().now() - before, 1.0);
  EXPECT_EQ(tracker().processID, kMail);
}

}  // namespace
}  // namespace axb::testing
