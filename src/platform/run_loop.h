// The main thread's scheduling services and clocks.
#pragma once

#include <functional>
#include <utility>

namespace axb::platform {

// A timer that can be withdrawn: destroying or resetting the handle cancels it if it has not
// fired. Cancelling from inside the timer's own work is allowed.
class TimerHandle {
 public:
  TimerHandle() = default;
  explicit TimerHandle(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
  ~TimerHandle() { reset(); }
  TimerHandle(TimerHandle&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
  TimerHandle& operator=(TimerHandle&& other) noexcept {
    if (this != &other) {
      reset();
      cancel_ = std::exchange(other.cancel_, nullptr);
    }
    return *this;
  }
  TimerHandle(const TimerHandle&) = delete;
  TimerHandle& operator=(const TimerHandle&) = delete;

  // Whether it still holds a timer: one that has fired counts until the handle is reset.
  bool holdsTimer() const { return static_cast<bool>(cancel_); }
  void reset() {
    if (auto cancel = std::exchange(cancel_, nullptr)) cancel();
  }

 private:
  std::function<void()> cancel_;
};

// Runs work on the main dispatch queue after the given number of seconds.
void dispatchAfterOnMainQueue(double seconds, std::function<void()> work);

// A one-shot timer on the calling thread's run loop, in the default mode: it fires only while
// the run loop runs in that mode.
void scheduleTimerOnCurrentRunLoop(double seconds, std::function<void()> work);

// The same timer, withdrawn when the returned handle goes.
[[nodiscard]] TimerHandle scheduleCancellableTimer(double seconds, std::function<void()> work);

// Seconds on a clock that never goes backwards.
double monotonicSeconds();

// Blocks the calling thread until the monotonic clock reaches the deadline, without running the
// run loop. Other processes go on meanwhile.
void sleepUntilMonotonic(double deadline);

}  // namespace axb::platform
