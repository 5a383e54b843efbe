// On macOS the main thread is the process's main thread, whoever starts the library.
#include "platform/threads.h"

#include <pthread.h>

namespace axb::platform {

void claimMainThread() {}

bool isMainThread() {
  return pthread_main_np() != 0;
}

}  // namespace axb::platform
