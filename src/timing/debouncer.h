// A trailing-edge debouncer on a private queue: of a series of calls less than `after` seconds
// apart, only the last action runs, `after` seconds after the last call, on the debouncer's own
// worker thread (not the main thread).
#pragma once

#include <any>
#include <functional>
#include <memory>
#include <thread>

namespace axb::timing {

class Debouncer : public std::enable_shared_from_this<Debouncer> {
 public:
  static constexpr const char* kQueueLabel = "debouncer";

  // Use create(): the pending work holds the debouncer only weakly, so releasing the debouncer
  // means its pending action never runs.
  static std::shared_ptr<Debouncer> create();
  ~Debouncer();
  Debouncer(const Debouncer&) = delete;
  Debouncer& operator=(const Debouncer&) = delete;

  void call(double after, std::any params, std::function<void()> action);

  // The parameters of the latest call; empty again once its action has run.
  std::any latestEventParams() const;

 private:
  struct Queue;
  Debouncer();

  std::shared_ptr<Queue> queue_;  // shared with the worker thread
  std::thread worker_;
};

}  // namespace axb::timing
