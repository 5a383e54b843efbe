// Scheduling on the main thread in AppKit's run-loop modes: timers keep to the default mode,
// main-queue work runs in every common mode. What every binding does is in the binding contract.
#include "platform/run_loop.h"

#import <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <memory>
#include <stdexcept>

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

// That it never runs early the binding contract checks.
TEST_F(RunLoopTest, MainQueueWorkRunsEvenWhileTrackingEvents) {
  const auto ran = counter();
  dispatchAfterOnMainQueue(0.05, [ran] { ++*ran; });
  runLoopFor(kTrackingMode, 0.3);
  EXPECT_EQ(*ran, 1);
}

// A bare run loop drains no autorelease pool and must not see the work's exceptions.
TEST_F(RunLoopTest, EachScheduledWorkDrainsWhatItAutoreleasedAndKeepsWhatItThrows) {
  struct Run {
    bool ran = false;
    __weak NSObject* autoreleased = nil;
  };
  const auto runs = std::make_shared<std::array<Run, 3>>();
  const auto work = [runs](std::size_t i) {
    return [runs, i] {
      NSObject* object = [[NSObject alloc] init];
      (*runs)[i] = {true, object};
      CFAutorelease(CFBridgingRetain(object));  // held by the pool alone
      throw std::runtime_error("failed");
    };
  };
  dispatchAfterOnMainQueue(0, work(0));
  scheduleTimerOnCurrentRunLoop(0, work(1));
  const TimerHandle timer = scheduleCancellableTimer(0, work(2));
  runLoopFor(kCFRunLoopDefaultMode, 0.1);
  for (const Run& run : *runs) {
    EXPECT_TRUE(run.ran);
    EXPECT_EQ(run.autoreleased, nil);
  }
}

}  // namespace
}  // namespace axb::platform
