// Where real applications are harsh: hangs bounded by the messaging timeout, keystrokes that wait
// for a hung application or are dropped, activation that is slow or refused, and a workspace whose
// idea of the front application lags behind until the run loop turns.
#include <vector>

#include "platform/accessibility.h"
#include "platform/pasteboard.h"
#include "platform/run_loop.h"
#include "platform/workspace.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

platform::AXErrorCode readRole(const platform::Element& element) {
  return platform::copyAttributeValue(element, "AXRole").error;
}

TEST_F(SimDesktopTest, AHangLastsUntilLiftedAndEachRequestWaitsForItsTimeout) {
  addEditor();
  const auto area = desktop().element("area");  // not obtained through the library
  const auto app = platform::createApplicationElement(kEditorPid);  // obtained: limited
  EXPECT_DOUBLE_EQ(desktop().messagingTimeout("area"), kDefaultMessagingTimeout);
  EXPECT_DOUBLE_EQ(desktop().messagingTimeout("app:100"), kLibraryMessagingTimeout);

  desktop().setResponsive(kEditorPid, false);
  EXPECT_FALSE(desktop().isResponsive(kEditorPid));
  double before = desktop().now();
  EXPECT_EQ(readRole(app), -25204);
  EXPECT_DOUBLE_EQ(desktop().now() - before, 2.0);
  before = desktop().now();
  EXPECT_EQ(readRole(area), -25204);
  EXPECT_DOUBLE_EQ(desktop().now() - before, 6.0);
  EXPECT_EQ(readRole(app), -25204);  // still hung: no hang ends by itself without a duration

  desktop().setResponsive(kEditorPid, true);
  EXPECT_EQ(readRole(app), 0);
}

TEST_F(SimDesktopTest, AHangWithADurationEndsByItselfAndARequestWaitsOnlyForTheRest) {
  addEditor();
  const auto app = platform::createApplicationElement(kEditorPid);
  desktop().setResponsive(kEditorPid, false, 0.5);
  const double before = desktop().now();
  EXPECT_EQ(readRole(app), -25204);
  EXPECT_DOUBLE_EQ(desktop().now() - before, 0.5);
  EXPECT_TRUE(desktop().isResponsive(kEditorPid));
  EXPECT_EQ(readRole(app), 0);
}

TEST_F(SimDesktopTest, KeystrokesWaitForAHungApplicationAndPasteWhatIsThereThen) {
  addEditor("hello world", {6, 5});
  desktop().activate(kEditorPid);
  desktop().focus("area");
  desktop().runUntilIdle();
  desktop().userCopies("there");
  desktop().setResponsive(kEditorPid, false);
  postCommandV();
  desktop().runFor(5);
  EXPECT_EQ(desktop().text("area"), "hello world");
  desktop().userCopies("again");
  desktop().setResponsive(kEditorPid, true);
  desktop().runUntilIdle();
  EXPECT_EQ(desktop().text("area"), "hello again");
}

TEST_F(SimDesktopTest, KeystrokesOfAnUntrustedProcessAreDropped) {
  addEditor("hello world", {6, 5});
  desktop().activate(kEditorPid);
  desktop().focus("area");
  desktop().runUntilIdle();
  desktop().userCopies("there");
  desktop().setTrusted(false);
  postCommandV();
  desktop().runUntilIdle();
  EXPECT_EQ(desktop().postedKeyEvents().size(), 2u);
  EXPECT_EQ(desktop().text("area"), "hello world");
}

TEST_F(SimDesktopTest, ActivationCanBeSlowOrRefused) {
  desktop().addApplication({.pid = 200, .bundleId = "com.example.slow", .activationSeconds = 0.6});
  desktop().addApplication(
      {.pid = 300, .bundleId = "com.example.stubborn", .refusesActivation = true});
  const auto slow = platform::runningApplicationWithProcessIdentifier(200);
  const auto stubborn = platform::runningApplicationWithProcessIdentifier(300);
  EXPECT_FALSE(stubborn->activate());
  EXPECT_TRUE(slow->activate());
  desktop().runFor(0.5);
  EXPECT_FALSE(desktop().frontmostPid());
  desktop().runFor(0.2);
  EXPECT_EQ(desktop().frontmostPid(), 200);
  desktop().activate(300);  // the user can always bring it forward
  EXPECT_EQ(desktop().frontmostPid(), 300);
}

TEST_F(SimDesktopTest, TheWorkspaceFrontLagsDuringABlockingWaitTheSystemsDoesNot) {
  addEditor();
  desktop().addApplication({.pid = 200, .bundleId = "com.example.other"});
  desktop().activate(200);
  desktop().runUntilIdle();
  platform::runningApplicationWithProcessIdentifier(kEditorPid)->activate();
  platform::sleepUntilMonotonic(desktop().now() + 0.2);  // the activation lands meanwhile
  EXPECT_EQ(platform::focusedApplication().pid, kEditorPid);
  EXPECT_EQ(platform::frontmostApplication()->processIdentifier(), 200);
  desktop().runUntilIdle();
  EXPECT_EQ(platform::frontmostApplication()->processIdentifier(), kEditorPid);

  desktop().setTrusted(false);
  EXPECT_EQ(platform::focusedApplication().error, -25211);
}

TEST_F(SimDesktopTest, DestroyingTheFocusedElementLeavesNoFocus) {
  addEditor();
  desktop().focus("area");
  const auto app = platform::createApplicationElement(kEditorPid);
  EXPECT_EQ(platform::copyAttributeValue(app, "AXFocusedUIElement").error, 0);
  desktop().destroyElement("area");
  EXPECT_EQ(platform::copyAttributeValue(app, "AXFocusedUIElement").error, -25212);
}

TEST_F(SimDesktopTest, ABackgroundLaunchNeverComesToTheFront) {
  desktop().launchApplication({.pid = 200, .bundleId = "com.example.helper"}, 0.5,
                              /*inBackground=*/true);
  desktop().runFor(1);
  EXPECT_FALSE(desktop().frontmostPid());
  EXPECT_TRUE(platform::runningApplicationWithProcessIdentifier(200)->isFinishedLaunching());
}

}  // namespace
}  // namespace axb::sim::testing
