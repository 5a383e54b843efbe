// The virtual clock, the main run loop's modes and the world timeline of other processes.
#include <string>
#include <vector>

#include "platform/run_loop.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

using Log = std::vector<std::string>;

TEST_F(SimDesktopTest, MainQueueWorkRunsInEveryModeTimersOnlyInDefault) {
  Log log;
  platform::scheduleTimerOnCurrentRunLoop(0.1, [&] { log.push_back("timer"); });
  platform::dispatchAfterOnMainQueue(0.2, [&] { log.push_back("queue"); });
  desktop().runUntilIdle(RunLoopMode::EventTracking);
  EXPECT_EQ(log, (Log{"queue"}));
  EXPECT_DOUBLE_EQ(desktop().now(), 0.2);
  EXPECT_TRUE(desktop().hasPendingWork());  // the timer waits for the default mode
  desktop().runUntilIdle(RunLoopMode::Default);
  EXPECT_EQ(log, (Log{"queue", "timer"}));
  EXPECT_FALSE(desktop().hasPendingWork());
}

TEST_F(SimDesktopTest, RunUntilInterleavesWorldAndMainWorkAndStopsAtTheTime) {
  Log log;
  desktop().atWorldTime(0.2, [&] { log.push_back("world 0.2"); });
  desktop().atWorldTime(1.5, [&] { log.push_back("world 1.5"); });
  platform::dispatchAfterOnMainQueue(0.1, [&] { log.push_back("main 0.1"); });
  platform::scheduleTimerOnCurrentRunLoop(0.3, [&] { log.push_back("main 0.3"); });
  desktop().runUntil(1.0);
  EXPECT_EQ(log, (Log{"main 0.1", "world 0.2", "main 0.3"}));
  EXPECT_EQ(desktop().now(), 1.0);
  desktop().runUntil(0.5);  // the clock never goes back
  EXPECT_EQ(desktop().now(), 1.0);
}

TEST_F(SimDesktopTest, ABlockedMainThreadLetsOnlyOtherProcessesRun) {
  Log log;
  platform::dispatchAfterOnMainQueue(0.1, [&] { log.push_back("main"); });
  desktop().atWorldTime(
      0.5, [&] { log.push_back("world at " + std::to_string(desktop().now()).substr(0, 3)); });
  desktop().atWorldTime(2.0, [&] { log.push_back("world later"); });
  platform::sleepUntilMonotonic(1.2);
  EXPECT_EQ(log, (Log{"world at 0.5"}));
  EXPECT_EQ(platform::monotonicSeconds(), 1.2);
  platform::sleepUntilMonotonic(0.4);  // already past: returns at once
  EXPECT_EQ(platform::monotonicSeconds(), 1.2);
  desktop().runUntilIdle();
  EXPECT_EQ(log, (Log{"world at 0.5", "main", "world later"}));
}

}  // namespace
}  // namespace axb::sim::testing
