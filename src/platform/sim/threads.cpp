// The simulated desktop has no main thread of its own: the first thread that starts the library
// is its main thread, until the desktop is reset.
#include "platform/threads.h"

#include <atomic>
#include <thread>

#include "sim_desktop/desktop_state.h"

namespace axb::sim {
namespace {

std::atomic<std::thread::id>& mainThread() {
  static std::atomic<std::thread::id> id{};
  return id;
}

}  // namespace

void forgetMainThread() {
  mainThread().store(std::thread::id());
}

}  // namespace axb::sim

namespace axb::platform {

void claimMainThread() {
  std::thread::id unclaimed;
  sim::mainThread().compare_exchange_strong(unclaimed, std::this_thread::get_id());
}

bool isMainThread() {
  const std::thread::id main = sim::mainThread().load();
  // Before any claim the library has no state another thread could race with.
  return main == std::thread::id() || main == std::this_thread::get_id();
}

}  // namespace axb::platform
