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
  EXPECT_EQ(currentProcessId(), getpid());
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

TEST(WorkspaceTest, NotificationsArriveConvertedUntilTheSubscriptionEnds) {
  std::vector<WorkspaceNotification> received;
  auto subscription = std::make_unique<WorkspaceSubscription>(
      WorkspaceEvent::DidActivateApplication,
      [&received](const WorkspaceNotification& notification) { received.push_back(notification); });

  NSRunningApplication* current = [NSRunningApplication currentApplication];
  post(
      NSWorkspaceDidActivateApplicationNotification,
      @{NSWorkspaceApplicationKey : current,
        @"extra" : @"text",
        @42 : @"not a text key"});
  post(NSWorkspaceDidLaunchApplicationNotification, @{NSWorkspaceApplicationKey : current});
  post(NSWorkspaceDidActivateApplicationNotification, nil);
  subscription.reset();
  post(NSWorkspaceDidActivateApplicationNotification, @{NSWorkspaceApplicationKey : current});

  ASSERT_EQ(received.size(), 2u);
  const WorkspaceNotification& first = received[0];
  EXPECT_EQ(first.name, kDidActivateApplicationNotification);
  ASSERT_TRUE(first.userInfo);
  EXPECT_EQ(first.userInfo->size(), 2u);
  const auto* application = std::get_if<RunningApplication>(&first.userInfo->at(kApplicationKey));
  ASSERT_TRUE(application);
  EXPECT_EQ(application->processIdentifier(), getpid());
  const auto* extra = std::get_if<Object>(&first.userInfo->at("extra"));
  ASSERT_TRUE(extra);
  EXPECT_EQ(extra->string(), "text");
  EXPECT_FALSE(received[1].userInfo);
}

TEST(WorkspaceTest, AHandlerMayEndItsOwnSubscription) {
  int calls = 0;
  std::unique_ptr<WorkspaceSubscription> subscription;
  subscription = std::make_unique<WorkspaceSubscription>(WorkspaceEvent::DidTerminateApplication,
                                                         [&](const WorkspaceNotification&) {
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
