// The main thread is the process's first thread, the one whose id is the process's own: the
// thread GTK and Electron hosts run their main context on.
#include "platform/threads.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <string>

namespace axb::platform {

void claimMainThread() {}

bool isMainThread() {
  return ::syscall(SYS_gettid) == ::getpid();
}

void writeLineFromAnyThread(std::string_view line) {
  std::string text(line);
  text.push_back('\n');
  // One write: lines from several threads never interleave inside a line.
  [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
}

}  // namespace axb::platform
