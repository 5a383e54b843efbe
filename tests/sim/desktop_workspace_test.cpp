// Applications coming and going, and the workspace notifications about them.
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/accessibility.h"
#include "platform/workspace.h"
#include "sim/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

using platform::WorkspaceEvent;
using platform::WorkspaceNotification;

// "name pid" for every notification a subscription receives.
struct WorkspaceLog {
  std::vector<std::string> entries;
  platform::WorkspaceSubscription::Handler handler(const std::string& tag = "") {
    return [this, tag](const WorkspaceNotification& notification) {
      std::string entry = tag + notification.name.substr(std::string("NSWorkspace").size());
      if (notification.userInfo) {
        const auto& app = std::get<platform::RunningApplication>(
            notification.userInfo->at(platform::kApplicationKey));
        entry += " " + std::to_string(app.processIdentifier());
      }
      entries.push_back(entry);
    };
  }
};

using Entries = std::vector<std::string>;

TEST_F(SimDesktopTest, UserActivationChangesTheFrontNowAndNotifiesInAnyMode) {
  addEditor();
  desktop().addApplication({200, "com.example.other", "Other", true});
  WorkspaceLog log;
  platform::WorkspaceSubscription first(WorkspaceEvent::DidActivateApplication, log.handler("1 "));
  platform::WorkspaceSubscription second(WorkspaceEvent::DidActivateApplication, log.handler("2 "));
  platform::WorkspaceSubscription launches(WorkspaceEvent::DidLaunchApplication, log.handler());
  {
    platform::WorkspaceSubscription gone(WorkspaceEvent::DidActivateApplication, log.handler("x "));
    desktop().activate(kEditorPid);
  }
  EXPECT_EQ(desktop().frontmostPid(), kEditorPid);
  EXPECT_EQ(platform::focusedApplication().pid, kEditorPid);
  // The workspace's own idea of the front catches up only when the run loop turns.
  EXPECT_FALSE(platform::frontmostApplication());
  EXPECT_TRUE(log.entries.empty());
  desktop().runUntilIdle(RunLoopMode::ModalPanel);
  EXPECT_EQ(platform::frontmostApplication()->bundleIdentifier(), "com.example.editor");
  EXPECT_EQ(log.entries, (Entries{"1 DidActivateApplicationNotification 100",
                                  "2 DidActivateApplicationNotification 100"}));
  desktop().activate(kEditorPid);  // already in front: nothing happens
  desktop().runUntilIdle();
  EXPECT_EQ(log.entries.size(), 2u);
}

TEST_F(SimDesktopTest, ALaunchActivatesAtOnceAndFinishesLater) {
  WorkspaceLog log;
  platform::WorkspaceSubscription activations(WorkspaceEvent::DidActivateApplication,
                                              log.handler());
  platform::WorkspaceSubscription launches(WorkspaceEvent::DidLaunchApplication, log.handler());
  desktop().launchApplication({kEditorPid, "com.example.editor", "Editor", true}, 1.5);
  EXPECT_EQ(platform::focusedApplication().pid, kEditorPid);
  const auto app = platform::runningApplicationWithProcessIdentifier(kEditorPid);
  ASSERT_TRUE(app);
  EXPECT_FALSE(app->isFinishedLaunching());
  desktop().runFor(1.0);
  EXPECT_EQ(log.entries, (Entries{"DidActivateApplicationNotification 100"}));
  desktop().runFor(1.0);
  EXPECT_TRUE(app->isFinishedLaunching());
  EXPECT_EQ(log.entries, (Entries{"DidActivateApplicationNotification 100",
                                  "DidLaunchApplicationNotification 100"}));
}

TEST_F(SimDesktopTest, TerminationDestroysElementsAndClearsTheFront) {
  addEditor();
  desktop().activate(kEditorPid);
  WorkspaceLog log;
  platform::WorkspaceSubscription terminations(WorkspaceEvent::DidTerminateApplication,
                                               log.handler());
  const auto app = desktop().runningApplication(kEditorPid);
  desktop().terminate(kEditorPid);
  EXPECT_EQ(desktop().frontmostPid(), std::nullopt);
  EXPECT_FALSE(platform::frontmostApplication());
  EXPECT_FALSE(platform::runningApplicationWithProcessIdentifier(kEditorPid));
  EXPECT_EQ(platform::copyAttributeValue(desktop().element("area"), "AXRole").error, -25202);
  EXPECT_FALSE(app->activate());
  desktop().runUntilIdle();
  EXPECT_EQ(log.entries, (Entries{"DidTerminateApplicationNotification 100"}));
}

TEST_F(SimDesktopTest, TheLibraryActivatingAnApplicationTakesAMoment) {
  addEditor();
  desktop().addApplication({200, "com.example.other", "Other", true});
  desktop().activate(200);
  desktop().runUntilIdle();
  WorkspaceLog log;
  platform::WorkspaceSubscription activations(WorkspaceEvent::DidActivateApplication,
                                              log.handler());
  const auto editor = platform::runningApplicationWithProcessIdentifier(kEditorPid);
  ASSERT_TRUE(editor);
  EXPECT_TRUE(editor->activate());
  EXPECT_EQ(desktop().frontmostPid(), 200);
  desktop().runFor(0.005);
  EXPECT_EQ(desktop().frontmostPid(), 200);
  desktop().runFor(0.005);
  EXPECT_EQ(desktop().frontmostPid(), kEditorPid);
  EXPECT_EQ(log.entries, (Entries{"DidActivateApplicationNotification 100"}));

  EXPECT_TRUE(editor->activate());  // already in front: accepted, nothing posted
  desktop().runUntilIdle();
  EXPECT_EQ(log.entries.size(), 1u);
}

TEST_F(SimDesktopTest, MalformedNotificationsReachSubscribersAsTheyAre) {
  WorkspaceLog log;
  platform::WorkspaceSubscription activations(WorkspaceEvent::DidActivateApplication,
                                              log.handler());
  desktop().postWorkspaceNotification({platform::kDidActivateApplicationNotification, {}});
  desktop().postWorkspaceNotification({"NSWorkspaceSomethingElse", {}});
  desktop().runUntilIdle();
  EXPECT_EQ(log.entries, (Entries{"DidActivateApplicationNotification"}));
  EXPECT_EQ(platform::currentProcessId(), desktop().hostProcess());
}

}  // namespace
}  // namespace axb::sim::testing
