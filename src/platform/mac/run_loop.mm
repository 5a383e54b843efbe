// The main thread's scheduling services and the monotonic clock.
#include "platform/run_loop.h"

#import <Foundation/Foundation.h>
#include <dispatch/dispatch.h>
#include <time.h>

#include <algorithm>
#include <cstdint>

#include "platform/mac/callout.h"
#include "platform/sliced_wait.h"

namespace axb::platform {
namespace {

// Delays are clamped to [0, about 31 years]: negative and NaN delays mean now, and no
// conversion below overflows.
constexpr double kMaxSeconds = 1e9;

double clampedSeconds(double seconds) {
  if (!(seconds > 0)) return 0;
  return std::min(seconds, kMaxSeconds);
}

}  // namespace

void dispatchAfterOnMainQueue(double seconds, std::function<void()> work) {
  const auto delay = static_cast<std::int64_t>(clampedSeconds(seconds) * NSEC_PER_SEC);
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, delay), dispatch_get_main_queue(), ^{
    mac::runCallout([&] {
      if (work) work();
    });
  });
}

void scheduleTimerOnCurrentRunLoop(double seconds, std::function<void()> work) {
  // Scheduled timers go into the current run loop's default mode only.
  [NSTimer scheduledTimerWithTimeInterval:clampedSeconds(seconds)
                                  repeats:NO
                                    block:^(NSTimer*) {
                                      mac::runCallout([&] {
                                        if (work) work();
                                      });
                                    }];
}

TimerHandle scheduleCancellableTimer(double seconds, std::function<void()> work) {
  NSTimer* timer = [NSTimer scheduledTimerWithTimeInterval:clampedSeconds(seconds)
                                                   repeats:NO
                                                     block:^(NSTimer*) {
                                                       mac::runCallout([&] {
                                                         if (work) work();
                                                       });
                                                     }];
  // Invalidating a timer that has fired, or from its own block, is allowed.
  return TimerHandle([timer] { [timer invalidate]; });
}

double monotonicSeconds() {
  return static_cast<double>(clock_gettime_nsec_np(CLOCK_UPTIME_RAW)) / 1e9;
}

void sleepUntilMonotonic(double deadline) {
  waitInSlicesUntil(deadline, monotonicSeconds);
}

}  // namespace axb::platform
