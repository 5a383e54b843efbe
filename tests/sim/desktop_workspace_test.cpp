// Applications coming and going, the workspace notifications about them, and the workspace
// events a subscription makes of them.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility.h"
#include "platform/workspace.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

using platform::WorkspaceEventKind;

std::string kindName(WorkspaceEventKind kind) {
  switch (kind) {
    case WorkspaceEventKind::ApplicationActivated:
      return "activated";
    case WorkspaceEventKind::ApplicationLaunched:
      return "launched";
    case WorkspaceEventKind::ApplicationTerminated:
      return "terminated";
  }
  return "?";
}

// "kind pid" for every event a subscription receives (no pid when it carries no application).
struct WorkspaceLog {
  std::vector<std::string> entries;
  platform::WorkspaceSubscription::Handler handler(const std::string& tag = "") {
    return [this, tag](const platform::WorkspaceEvent& event) {
      std::string entry = tag + kindName(event.kind);
      if (event.application) entry += " " + std::to_string(event.application->processIdentifier());
      entries.push_back(entry);
    };
  }
};

using Entries = std::vector<std::string>;

TEST_F(SimDesktopTest, UserActivationChangesTheFrontNowAndNotifiesInAnyMode) {
  addEditor();
  desktop().addApplication({200, "com.example.other", "Other", true});
  WorkspaceLog log;
  platform::WorkspaceSubscription first(WorkspaceEventKind::ApplicationActivated,
                                        log.handler("1 "));
  platform::WorkspaceSubscription second(WorkspaceEventKind::ApplicationActivated,
                                         log.handler("2 "));
  platform::WorkspaceSubscription launches(WorkspaceEventKind::ApplicationLaunched, log.handler());
  {
    platform::WorkspaceSubscription gone(WorkspaceEventKind::ApplicationActivated,
                                         log.handler("x "));
    desktop().activate(kEditorPid);
  }
  EXPECT_EQ(desktop().frontmostPid(), kEditorPid);
  EXPECT_EQ(platform::focusedApplication().pid, kEditorPid);
  // The workspace's own idea of the front catches up only when the run loop turns.
  EXPECT_FALSE(platform::frontmostApplication());
  EXPECT_TRUE(log.entries.empty());
  desktop().runUntilIdle(RunLoopMode::ModalPanel);
  EXPECT_EQ(platform::frontmostApplication()->bundleIdentifier(), "com.example.editor");
  EXPECT_EQ(log.entries, (Entries{"1 activated 100", "2 activated 100"}));
  desktop().activate(kEditorPid);  // already in front: nothing happens
  desktop().runUntilIdle();
  EXPECT_EQ(log.entries.size(), 2u);
}

TEST_F(SimDesktopTest, ALaunchActivatesAtOnceAndFinishesLater) {
  WorkspaceLog log;
  platform::WorkspaceSubscription activations(WorkspaceEventKind::ApplicationActivated,
                                              log.handler());
  platform::WorkspaceSubscription launches(WorkspaceEventKind::ApplicationLaunched, log.handler());
  desktop().launchApplication({kEditorPid, "com.example.editor", "Editor", true}, 1.5);
  EXPECT_EQ(platform::focusedApplication().pid, kEditorPid);
  const auto app = platform::runningApplicationWithProcessIdentifier(kEditorPid);
  ASSERT_TRUE(app);
  EXPECT_FALSE(app->isFinishedLaunching());
  desktop().runFor(1.0);
  EXPECT_EQ(log.entries, (Entries{"activated 100"}));
  desktop().runFor(1.0);
  EXPECT_TRUE(app->isFinishedLaunching());
  EXPECT_EQ(log.entries, (Entries{"activated 100", "launched 100"}));
}

TEST_F(SimDesktopTest, TerminationDestroysElementsAndClearsTheFront) {
  addEditor();
  desktop().activate(kEditorPid);
  WorkspaceLog log;
  platform::WorkspaceSubscription terminations(WorkspaceEventKind::ApplicationTerminated,
                                               log.handler());
  const auto app = desktop().runningApplication(kEditorPid);
  desktop().terminate(kEditorPid);
  EXPECT_EQ(desktop().frontmostPid(), std::nullopt);
  EXPECT_FALSE(platform::frontmostApplication());
  EXPECT_FALSE(platform::runningApplicationWithProcessIdentifier(kEditorPid));
  EXPECT_EQ(platform::copyAttributeValue(desktop().element("area"), "AXRole").error, -25202);
  EXPECT_FALSE(app->activate());
  desktop().runUntilIdle();
  EXPECT_EQ(log.entries, (Entries{"terminated 100"}));
}

TEST_F(SimDesktopTest, MalformedNotificationsArriveAsEventsWithoutAnApplication) {
  addEditor();
  WorkspaceLog log;
  platform::WorkspaceSubscription activations(WorkspaceEventKind::ApplicationActivated,
                                              log.handler());
  using UserInfo = std::map<std::string, WorkspaceNotification::UserInfoValue>;
  const auto editor = *desktop().runningApplication(kEditorPid);
  desktop().postWorkspaceNotification({kDidActivateApplicationNotification, {}});
  desktop().postWorkspaceNotification({kDidActivateApplicationNotification, UserInfo{}});
  desktop().postWorkspaceNotification(
      {kDidActivateApplicationNotification, UserInfo{{"NSWorkspaceOtherKey", editor}}});
  desktop().postWorkspaceNotification(
      {kDidActivateApplicationNotification,
       UserInfo{{kApplicationKey, platform::Object::makeNumber(kEditorPid)}}});
  desktop().postWorkspaceNotification(
      {"NSWorkspaceSomethingElse", UserInfo{{kApplicationKey, editor}}});
  desktop().postWorkspaceNotification(
      {kDidActivateApplicationNotification, UserInfo{{kApplicationKey, editor}}});
  desktop().runUntilIdle();
  EXPECT_EQ(log.entries,
            (Entries{"activated", "activated", "activated", "activated", "activated 100"}));
  EXPECT_EQ(platform::currentProcessId(), desktop().hostProcess());
}

}  // namespace
}  // namespace axb::sim::testing
