#include "timing/debouncer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace axb::timing {

using Clock = std::chrono::steady_clock;

// The private serial queue: at most one pending work item, run at its deadline unless a newer
// call cancelled it first.
struct Debouncer::Queue {
  struct WorkItem {
    Clock::time_point deadline;
    std::function<void()> body;
  };

  std::mutex mutex;
  std::condition_variable wake;
  std::shared_ptr<WorkItem> workItem;
  std::any latestEventParams;
  bool stopping = false;  // set once, by the debouncer's destructor

  void run() {
    std::unique_lock lock(mutex);
    while (!stopping) {
      if (!workItem) {
        wake.wait(lock, [&] { return stopping || workItem != nullptr; });
        continue;
      }
      const std::shared_ptr<WorkItem> item = workItem;
      // Wakes early when the item is replaced; then the newer one is waited for instead.
      if (wake.wait_until(lock, item->deadline, [&] { return stopping || workItem != item; }))
        continue;
      workItem.reset();
      lock.unlock();
      item->body();
      lock.lock();
    }
  }
};

Debouncer::Debouncer() : queue_(std::make_shared<Queue>()) {
  worker_ = std::thread([queue = queue_] { queue->run(); });
}

std::shared_ptr<Debouncer> Debouncer::create() {
  return std::shared_ptr<Debouncer>(new Debouncer());
}

Debouncer::~Debouncer() {
  {
    std::lock_guard lock(queue_->mutex);
    queue_->stopping = true;
  }
  queue_->wake.notify_all();
  // The body of a work item may drop the last reference on the worker itself, which cannot join
  // itself; it stops on its own after the body returns.
  if (worker_.get_id() == std::this_thread::get_id())
    worker_.detach();
  else
    worker_.join();
}

void Debouncer::call(double after, std::any params, std::function<void()> action) {
  const auto delay = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(after > 0 ? after : 0));
  std::weak_ptr<Debouncer> weak = weak_from_this();
  auto body = [weak, action = std::move(action)] {
    const std::shared_ptr<Debouncer> self = weak.lock();
    if (!self) return;
    action();
    std::lock_guard lock(self->queue_->mutex);
    self->queue_->latestEventParams.reset();
  };
  {
    std::lock_guard lock(queue_->mutex);
    queue_->latestEventParams = std::move(params);
    queue_->workItem =
        std::make_shared<Queue::WorkItem>(Queue::WorkItem{Clock::now() + delay, std::move(body)});
  }
  queue_->wake.notify_all();
}

std::any Debouncer::latestEventParams() const {
  std::lock_guard lock(queue_->mutex);
  return queue_->latestEventParams;
}

}  // namespace axb::timing
