// Where real applications are harsh: hangs bounded by the messaging timeout, and a workspace whose
// idea of the front application lags behind until the run loop turns.
#include "platform/accessibility.h"
#include "platform/run_loop.h"
#include "platform/workspace.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

platform::AXErrorCode readRole(const platform::Element& element) {
  return platform::copyAttributeValue(element, "AXRole").error;
}

TEST_F(SimDesktopTest, HangsAndTheWorkspaceFrontBehaveAsOnThePlatform) {
  addEditor();
  const auto area = desktop().element("area");  // not obtained through the library
  const auto app = platform::createApplicationElement(kEditorPid);  // obtained: limited
  EXPECT_DOUBLE_EQ(desktop().messagingTimeout("area"), kDefaultMessagingTimeout);
  EXPECT_DOUBLE_EQ(desktop().messagingTimeout("app:100"), kLibraryMessagingTimeout);

  desktop().setResponsive(kEditorPid, false);
  double before = desktop().now();
  EXPECT_EQ(readRole(app), -25204);
  EXPECT_DOUBLE_EQ(desktop().now() - before, 2.0);
  before = desktop().now();
  EXPECT_EQ(readRole(area), -25204);
  EXPECT_DOUBLE_EQ(desktop().now() - before, 6.0);
  EXPECT_EQ(readRole(app), -25204);  // still hung: no hang ends by itself without a duration
  desktop().setResponsive(kEditorPid, true);
  EXPECT_EQ(readRole(app), 0);

  // A hang with a duration ends by itself; a request waits only for the rest.
  desktop().setResponsive(kEditorPid, false, 0.5);
  before = desktop().now();
  EXPECT_EQ(readRole(app), -25204);
  EXPECT_DOUBLE_EQ(desktop().now() - before, 0.5);
  EXPECT_EQ(readRole(app), 0);

  // The workspace's idea of the front application lags during a blocking wait; the system's not.
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

}  // namespace
}  // namespace axb::sim::testing
