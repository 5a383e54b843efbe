// Only the followed application is heard: notifications of applications followed earlier or
// launched in the background stay silent, registrations stay few, and a hung application costs
// one timeout per switch.
#include <algorithm>
#include <string>
#include <vector>

#include "ax/observers.h"
#include "bridge/globals.h"
#include "support/desktop_fixture.h"
#include "tracker/mac_accessibility.h"

namespace axb::testing {
namespace {

class RightApplicationTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    addNotesApp("Hello wrld", {0, 0});
    addMailApp();
    initAndStart();
    followApp(kNotes);
    desk().focus("notes.body");
    settle();
    forgetWhatHappened();
  }
  static void settle() { desk().runFor(0.5); }
  static const std::shared_ptr<tracker::MacAccessibility>& tracker() {
    return bridge::globals().macAccessibility;
  }
  static void expectSilence() {
    settle();
    EXPECT_TRUE(received().empty());
    EXPECT_TRUE(lines().empty());
  }
};

// Even a notification that was already on its way when the switch happened is dropped.
TEST_F(RightApplicationTest, AnApplicationFollowedEarlierIsNoLongerHeard) {
  followApp(kMail);
  tracker()->focusedElement = desk().element("mail.subject");
  forgetWhatHappened();
  desk().select("notes.body", {0, 5});
  desk().addElement(kNotes, {.id = "notes.search",
                             .role = "AXTextField",
                             .window = "notes.window",
                             .text = sim::TextKind::Native,
                             .value = "find"});
  desk().focus("notes.search");
  desk().moveWindow("notes.window", {300, 300});
  void* const refcon = tracker().get();
  const auto body = desk().element("notes.body");
  tracker::MacAccessibility::selectedTextChange()(body, "AXSelectedTextChanged", refcon);
  tracker::MacAccessibility::uiFocusedChange()(body, "AXFocusedUIElementChanged", refcon);
  tracker::MacAccessibility::uiPositionChange()(body, "AXWindowMoved", refcon);
  expectSilence();
  EXPECT_EQ(tracker()->focusedElement, desk().element("mail.subject"));
}

TEST_F(RightApplicationTest, RegistrationsStayBoundedOverSwitchesAndVanishingFields) {
  const auto expectBounded = [] {
    EXPECT_LE(ax::registrationCount(), 5u);
    EXPECT_LE(ax::registeredElementCount(), 2u);
    EXPECT_EQ(ax::subscriptionCount(), 3u);
    EXPECT_EQ(desk().liveRegistrationCount(), ax::registrationCount());
  };
  for (int i = 0; i < 200; ++i) {
    const std::string id = "notes.field" + std::to_string(i);
    desk().addElement(kNotes, {.id = id,
                               .role = "AXTextField",
                               .window = "notes.window",
                               .text = sim::TextKind::Native,
                               .value = "x"});
    desk().focus(id);
    desk().runFor(0.01);
    desk().destroyElement(id);
  }
  settle();
  expectBounded();
  for (int i = 0; i < 10; ++i) {
    followApp(kMail);
    followApp(kNotes);
  }
  desk().focus("notes.body");
  settle();
  expectBounded();
  // The last field took Notes' focus with it, so its switches found none: two registrations on
  // the application element, and the body's own.
  EXPECT_EQ(ax::registrationCount(), 3u);
}

TEST_F(RightApplicationTest, TheFieldFocusLeftStopsBeingWatchedAndLaunchesAreNotFollowed) {
  desk().addElement(kNotes, {.id = "notes.title",
                             .role = "AXTextField",
                             .window = "notes.window",
                             .text = sim::TextKind::Native,
                             .value = "Title"});
  desk().focus("notes.title");
  settle();
  forgetWhatHappened();
  // The body is still heard through the application's own registration, but only once.
  desk().select("notes.body", {0, 5});
  settle();
  EXPECT_EQ(names(), std::vector<std::string>{"text_select"});
  EXPECT_EQ(ax::registrationCount(), 5u);
  // Neither a launch in the background nor one the user left while it loaded is followed.
  forgetWhatHappened();
  desk().launchApplication({.pid = 30, .bundleId = "com.example.helper", .name = "Helper"}, 0.3,
                           /*inBackground=*/true);
  desk().launchApplication({.pid = 31, .bundleId = "com.example.slow", .name = "Slow"}, 2.0);
  desk().runFor(0.5);
  EXPECT_TRUE(received().empty());
  EXPECT_EQ(ax::registrationCount(), 5u);
  desk().activate(kNotes);  // the user goes back to work
  desk().runFor(3);
  EXPECT_TRUE(received().empty());
  EXPECT_EQ(tracker()->processID, kNotes);
}

// Registrations a hung application missed are made once it is back in front or answers a request.
TEST_F(RightApplicationTest,
       RegistrationsAMissedHungApplicationAreMadeOnceItIsHeardAgainAndOnlyThen) {
  desk().addApplication({.pid = kHost, .bundleId = "com.example.writer", .name = "Quorvalent"});
  for (const bool backInFront : {true, false}) {
    followApp(kMail);
    desk().setResponsive(kNotes, false);
    followApp(kNotes);
    EXPECT_EQ(ax::registrationCount(), 0u);
    followApp(kHost);  // the host is never followed, nor is Notes asked while it is in front
    desk().resetRequestCount();
    desk().runFor(30);
    EXPECT_EQ(desk().requestCount(), 0u);
    desk().setResponsive(kNotes, true);
    forgetWhatHappened();
    if (backInFront) {
      followApp(kNotes);  // no new app_changed, but it is watched now
      EXPECT_TRUE(received().empty());
    } else {
      getDataForVeskAssist();
    }
    EXPECT_EQ(ax::registrationCount(), 2u);  // it had no focused element to report when it hung
    settle();
    forgetWhatHappened();
    desk().select("notes.body", {0, 5});
    settle();
    EXPECT_EQ(names(), std::vector<std::string>{"text_select"}) << backInFront;
  }
  // Nor after it quits.
  followApp(kMail);
  desk().setResponsive(kNotes, false);
  followApp(kNotes);
  desk().terminate(kNotes);
  desk().runFor(30);
  EXPECT_FALSE(desk().hasPendingWork());
}

// Busy while the user switches to it: nothing would ask it again, so a timer does, backing off,
// and only while something is unanswered.
TEST_F(RightApplicationTest, AnApplicationBusyDuringTheSwitchIsHeardOnceItAnswersAgain) {
  followApp(kMail);
  forgetWhatHappened();
  desk().activate(kNotes);
  desk().setResponsive(kNotes, false, 3.4);
  desk().runFor(4.0);
  EXPECT_EQ(names(), std::vector<std::string>{"app_changed"});
  desk().runFor(1.0);  // the retry after 1 s finds it answering
  desk().select("notes.body", {0, 5});
  settle();
  EXPECT_EQ(names(), (std::vector<std::string>{"app_changed", "text_select"}));
  EXPECT_EQ(lines(), std::vector<std::string>{"-25204 Error retrieving attribute"});
  desk().runFor(60);
  EXPECT_FALSE(desk().hasPendingWork());  // no timer once everything is in force
}

// A hung application costs one timeout per switch, not one per request; coming back to it, a
// timer asks again until it answers.
TEST_F(RightApplicationTest, AHungApplicationCostsOneTimeoutAndIsRetriedUntilItAnswers) {
  followApp(kMail);
  followApp(kNotes);
  EXPECT_FALSE(desk().hasPendingWork());  // nothing unanswered, no timer
  followApp(kMail);
  desk().setResponsive(kNotes, false);
  forgetWhatHappened();
  desk().resetRequestCount();
  const double before = desk().now();
  desk().activate(kNotes);
  desk().runFor(0.1);
  EXPECT_EQ(desk().requestCount(), 1u);
  EXPECT_DOUBLE_EQ(desk().now() - before, 2.0);  // one 2 s timeout, then the run went on
  EXPECT_EQ(lines(), std::vector<std::string>{"-25204 Error retrieving attribute"});
  EXPECT_EQ(ax::registrationCount(), 0u);
  desk().runFor(60);  // retries back off: one timeout each, a few a minute
  EXPECT_LE(desk().requestCount(), 10u);
  desk().setResponsive(kNotes, true);
  desk().runFor(8.5);
  desk().select("notes.body", {0, 5});
  settle();
  EXPECT_EQ(names(), (std::vector<std::string>{"app_changed", "text_select"}));
}

}  // namespace
}  // namespace axb::testing
