// The main thread's scheduling services and clocks.
#pragma once

#include <functional>

namespace axb::platform {

// Runs work on the main dispatch queue after the given number of seconds.
void dispatchAfterOnMainQueue(double seconds, std::function<void()> work);

// A one-shot timer on the calling thread's run loop, in the default mode: it fires only while
// the run loop runs in that mode.
void scheduleTimerOnCurrentRunLoop(double seconds, std::function<void()> work);

// Seconds on a clock that never goes backwards.
double monotonicSeconds();

// Blocks the calling thread until the monotonic clock reaches the deadline, without running the
// run loop. Other processes go on meanwhile.
void sleepUntilMonotonic(double deadline);

}  // namespace axb::platform
