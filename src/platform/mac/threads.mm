// On macOS the main thread is the process's main thread, whoever starts the library.
#include "platform/threads.h"

#include <pthread.h>
#include <unistd.h>

#include <string>

namespace axb::platform {

void claimMainThread() {}

bool isMainThread() {
  return pthread_main_np() != 0;
}

void writeLineFromAnyThread(std::string_view line) {
  std::string text(line);
  text.push_back('\n');
  // One write: lines from several threads never interleave inside a line.
  [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
}

}  // namespace axb::platform
