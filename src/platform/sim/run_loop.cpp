// The main thread's scheduling services, on the simulated desktop's virtual clock.
#include "platform/run_loop.h"

#include <utility>

#include "sim_desktop/desktop.h"

namespace axb::platform {

void dispatchAfterOnMainQueue(double seconds, std::function<void()> work) {
  sim::Desktop::current().dispatchAfterOnMainQueue(seconds, std::move(work));
}

void scheduleTimerOnCurrentRunLoop(double seconds, std::function<void()> work) {
  sim::Desktop::current().scheduleTimer(seconds, std::move(work));
}

TimerHandle scheduleCancellableTimer(double seconds, std::function<void()> work) {
  const sim::Desktop::TimerId timer =
      sim::Desktop::current().scheduleTimer(seconds, std::move(work));
  return TimerHandle([timer] { sim::Desktop::current().cancelTimer(timer); });
}

double monotonicSeconds() {
  return sim::Desktop::current().now();
}

void sleepUntilMonotonic(double deadline) {
  sim::Desktop::current().blockMainThreadUntil(deadline);
}

}  // namespace axb::platform
