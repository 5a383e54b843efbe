// The simulated desktop has no main thread of its own: the first thread that starts the library
// is its main thread, until the desktop is reset.
#include "platform/threads.h"

#include "sim_desktop/desktop.h"

namespace axb::platform {

void claimMainThread() {
  sim::Desktop::current().claimMainThread();
}

bool isMainThread() {
  return sim::Desktop::current().isMainThread();
}

}  // namespace axb::platform
