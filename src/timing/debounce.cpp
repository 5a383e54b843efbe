#include "timing/debounce.h"

#include <utility>

#include "platform/run_loop.h"

namespace axb::timing {

void debounce(double interval, std::function<void()> action) {
  platform::dispatchAfterOnMainQueue(interval, [interval, action = std::move(action)]() mutable {
    platform::scheduleTimerOnCurrentRunLoop(interval, std::move(action));
  });
}

}  // namespace axb::timing
