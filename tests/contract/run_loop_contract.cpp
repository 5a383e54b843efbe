// The main run loop: work runs in the order of its delays and never early, a delay below zero or
// not a number means at once, a withdrawn timer never fires, and a blocking wait runs no
// main-thread work.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "contract/contract_desktop.h"
#include "platform/run_loop.h"

namespace axb::contract {
namespace {

struct Ran {
  std::string what;
  double late;  // seconds after its due time
};

TEST_F(BindingContract, WorkRunsInTheOrderOfItsDelaysAndNeverEarly) {
  std::vector<Ran> ran;
  const double start = platform::monotonicSeconds();
  const auto work = [&](std::string what, double delay) {
    return [&ran, start, what = std::move(what), delay] {
      ran.push_back({what, platform::monotonicSeconds() - start - delay});
    };
  };
  platform::scheduleTimerOnCurrentRunLoop(0.06, work("timer", 0.06));
  platform::dispatchAfterOnMainQueue(0.02, work("queue", 0.02));
  const auto cancellable = platform::scheduleCancellableTimer(0.04, work("cancellable", 0.04));
  // A delay below zero or not a number means at once.
  platform::dispatchAfterOnMainQueue(-1, work("at once", 0));
  platform::dispatchAfterOnMainQueue(NAN, work("at once", 0));
  platform::scheduleTimerOnCurrentRunLoop(NAN, work("at once", 0));
  platform::scheduleTimerOnCurrentRunLoop(-5, work("at once", 0));
  ASSERT_TRUE(desktop().runUntil([&] { return ran.size() == 7; }, 5.0));
  std::vector<std::string> order;
  for (const auto& [what, late] : ran) {
    order.push_back(what);
    EXPECT_GE(late, 0) << what;
  }
  EXPECT_EQ(order, (std::vector<std::string>{"at once", "at once", "at once", "at once", "queue",
                                             "cancellable", "timer"}));
}

TEST_F(BindingContract, AWithdrawnTimerNeverFires) {
  int withdrawn = 0, selfCancelling = 0, witness = 0;
  auto handle = platform::scheduleCancellableTimer(0.01, [&] { ++withdrawn; });
  handle.reset();
  EXPECT_FALSE(handle.holdsTimer());
  platform::TimerHandle own;
  own = platform::scheduleCancellableTimer(0.01, [&] {
    ++selfCancelling;
    own.reset();  // allowed from inside its own work
  });
  platform::dispatchAfterOnMainQueue(0.1, [&] { ++witness; });
  ASSERT_TRUE(desktop().runUntil([&] { return witness == 1; }, 5.0));
  EXPECT_EQ(withdrawn, 0);
  EXPECT_EQ(selfCancelling, 1);
}

TEST_F(BindingContract, ABlockingWaitRunsNoMainThreadWork) {
  int ran = 0;
  platform::dispatchAfterOnMainQueue(0.0, [&] { ++ran; });
  platform::scheduleTimerOnCurrentRunLoop(0.0, [&] { ++ran; });
  const double start = platform::monotonicSeconds();
  platform::sleepUntilMonotonic(start + 0.05);
  const double woke = platform::monotonicSeconds();
  EXPECT_GE(woke, start + 0.05);
  platform::sleepUntilMonotonic(start);  // already past: returns at once
  platform::sleepUntilMonotonic(NAN);
  EXPECT_LT(platform::monotonicSeconds() - woke, 1.0);
  EXPECT_EQ(ran, 0);
  EXPECT_TRUE(desktop().runUntil([&] { return ran == 2; }, 5.0));
}

}  // namespace
}  // namespace axb::contract
