// Running applications and workspace notifications, with the notifications posted by the test
// itself on the workspace's notification center.
#include "platform/workspace.h"

#import <AppKit/AppKit.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "mac/run_loop_support.h"

namespace axb::platform {
namespace {

void post(NSNotificationName name, NSDictionary* userInfo) {
  NSWorkspace* workspace = [NSWorkspace sharedWorkspace];
  [workspace.notificationCenter postNotificationName:name object:workspace userInfo:userInfo];
}

TEST(WorkspaceTest, RunningApplicationsAreFoundByProcessIdentifier) {
  NSRunningApplication* finder =
      [NSRunningApplication runningApplicationsWithBundleIdentifier:@"com.apple.finder"]
          .firstObject;
  if (!finder) GTEST_SKIP() << "no Finder in this session";
  const auto found = runningApplicationWithProcessIdentifier(finder.processIdentifier);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->processIdentifier(), finder.processIdentifier);
  EXPECT_EQ(found->bundleIdentifier(), "com.apple.finder");
  EXPECT_TRUE(found->localizedName());
  EXPECT_TRUE(found->isFinishedLaunching());
  EXPECT_FALSE(runningApplicationWithProcessIdentifier(testing::unusedProcessId()));
}

TEST(WorkspaceTest, NotificationsArriveAsEventsUntilTheSubscriptionEnds) {
  std::vector<WorkspaceEvent> received;
  auto subscription = std::make_unique<WorkspaceSubscription>(
      WorkspaceEventKind::ApplicationActivated,
      [&received](const WorkspaceEvent& event) { received.push_back(event); });

  NSRunningApplication* current = [NSRunningApplication currentApplication];
  post(
      NSWorkspaceDidActivateApplicationNotification,
      @{NSWorkspaceApplicationKey : current,
        @"extra" : @"text",
        @42 : @"not a text key"});
  post(NSWorkspaceDidLaunchApplicationNotification, @{NSWorkspaceApplicationKey : current});
  // Any process may post here: nothing, something else, or an application under another key.
  post(NSWorkspaceDidActivateApplicationNotification, nil);
  post(NSWorkspaceDidActivateApplicationNotification, @{NSWorkspaceApplicationKey : @"text"});
  post(NSWorkspaceDidActivateApplicationNotification, @{@"other" : current});
  subscription.reset();
  post(NSWorkspaceDidActivateApplicationNotification, @{NSWorkspaceApplicationKey : current});

  ASSERT_EQ(received.size(), 4u);
  for (const WorkspaceEvent& event : received) {
    EXPECT_EQ(event.kind, WorkspaceEventKind::ApplicationActivated);
  }
  ASSERT_TRUE(received[0].application);
  EXPECT_EQ(received[0].application->processIdentifier(), getpid());
  EXPECT_FALSE(received[1].application);
  EXPECT_FALSE(received[2].application);
  EXPECT_FALSE(received[3].application);
}

TEST(WorkspaceTest, AHandlerMayEndItsOwnSubscription) {
  int calls = 0;
  std::unique_ptr<WorkspaceSubscription> subscription;
  subscription = std::make_unique<WorkspaceSubscription>(
      WorkspaceEventKind::ApplicationTerminated, [&](const WorkspaceEvent& event) {
        EXPECT_EQ(event.kind, WorkspaceEventKind::ApplicationTerminated);
        ++calls;
        subscription.reset();
      });
  post(NSWorkspaceDidTerminateApplicationNotification, nil);
  post(NSWorkspaceDidTerminateApplicationNotification, nil);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(subscription);
}

}  // namespace
}  // namespace axb::platform
