// On macOS the main thread is the process's main thread, whoever starts the library.
#include "platform/threads.h"

#include <pthread.h>

#include "platform/quiet_stdout.h"

namespace axb::platform {

void claimMainThread() {}

bool isMainThread() {
  return pthread_main_np() != 0;
}

void writeLineFromAnyThread(std::string_view line) {
  writeLineToStdoutAtOnce(line);
}

}  // namespace axb::platform
