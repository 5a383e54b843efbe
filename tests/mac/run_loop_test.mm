// Scheduling on the main thread in AppKit's run-loop modes: timers keep to the default mode,
// main-queue work runs in every common mode. What every binding does is in the binding contract.
#include "platform/run_loop.h"

#import <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include <memory>

#include "mac/run_loop_support.h"

namespace axb::platform {
namespace {

using testing::runLoopFor;

const CFStringRef kTrackingMode = (__bridge CFStringRef)NSEventTrackingRunLoopMode;

// Counts runs; shared so that work left over by a failed test cannot write into a dead frame.
std::shared_ptr<int> counter() {
  return std::make_shared<int>(0);
}

class RunLoopTest : public ::testing::Test {
 protected:
  // The event-tracking mode joins the common modes when the application object is made, as it is
  // in every host; without it the main queue would not be served while tracking events.
  static void SetUpTestSuite() { [NSApplication sharedApplication]; }
};

TEST_F(RunLoopTest, TimersWaitWhileTheRunLoopTracksEventsAndFireInTheDefaultMode) {
  const auto fired = counter();
  scheduleTimerOnCurrentRunLoop(0.01, [fired] { ++*fired; });
  runLoopFor(kTrackingMode, 0.1);
  EXPECT_EQ(*fired, 0);
  runLoopFor(kCFRunLoopDefaultMode, 0.1);
  EXPECT_EQ(*fired, 1);
}

TEST_F(RunLoopTest, MainQueueWorkRunsAfterItsDelayEvenWhileTrackingEvents) {
  const auto ran = counter();
  const auto at = std::make_shared<double>(0);
  const double start = monotonicSeconds();
  dispatchAfterOnMainQueue(0.05, [ran, at] {
    ++*ran;
    *at = monotonicSeconds();
  });
  runLoopFor(kTrackingMode, 0.3);
  EXPECT_EQ(*ran, 1);
  EXPECT_GE(*at - start, 0.045);
}

}  // namespace
}  // namespace axb::platform
