// The main thread is the process's first thread, the one whose id is the process's own: the
// thread GTK and Electron hosts run their main context on.
#include "platform/threads.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace axb::platform {

void claimMainThread() {}

bool isMainThread() {
  return ::syscall(SYS_gettid) == ::getpid();
}

}  // namespace axb::platform
