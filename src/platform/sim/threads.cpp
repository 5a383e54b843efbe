// The simulated desktop has no main thread of its own: the first thread that starts the library
// is its main thread, until the desktop is reset.
#include "platform/threads.h"

#include <unistd.h>

#include <string>

#include "sim_desktop/desktop.h"

namespace axb::platform {

void claimMainThread() {
  sim::Desktop::current().claimMainThread();
}

bool isMainThread() {
  return sim::Desktop::current().isMainThread();
}

void writeLineFromAnyThread(std::string_view line) {
  std::string text(line);
  text.push_back('\n');
  // One write: lines from several threads never interleave inside a line.
  [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
}

}  // namespace axb::platform
