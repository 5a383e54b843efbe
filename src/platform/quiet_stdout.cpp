#include "platform/quiet_stdout.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/threads.h"

namespace axb::platform {
namespace {

// SIGPIPE blocked in this thread for the scope's length.
class SigpipeHeldBack {
 public:
  SigpipeHeldBack() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    // One already pending is someone else's: it stays.
    wasPending_ = isPending();
    blocked_ = pthread_sigmask(SIG_BLOCK, &pipe_, &previous_) == 0;
  }
  ~SigpipeHeldBack() {
    if (!blocked_) return;
    if (!wasPending_ && isPending()) takeBack();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  SigpipeHeldBack(const SigpipeHeldBack&) = delete;
  SigpipeHeldBack& operator=(const SigpipeHeldBack&) = delete;

 private:
  static bool isPending() {
    sigset_t pending;
    sigemptyset(&pending);
    return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
  }
  // The write raises SIGPIPE at the writing thread, where it stays pending while blocked.
  void takeBack() const {
#if defined(__APPLE__)
    // No sigtimedwait there; a signal pending at a thread stays with that thread, so this
    // returns at once.
    int signal = 0;
    sigwait(&pipe_, &signal);
#else
    // Without waiting: a signal pending at the whole process could have gone to another thread.
    const timespec now{};
    sigtimedwait(&pipe_, nullptr, &now);
#endif
  }

  sigset_t pipe_;
  sigset_t previous_;
  bool wasPending_ = false;
  bool blocked_ = false;
};

// Whether whatever reads the descriptor is known to have gone, asked without writing. Only
// macOS needs it: there a write's SIGPIPE is raised at the process, not at the writing thread,
// so another thread that does not block it could take it; a write that would surely fail is not
// tried. What remains is a reader that leaves during the write itself.
bool readerGone([[maybe_unused]] int descriptor) {
#if defined(__APPLE__)
  pollfd probe{descriptor, POLLOUT, 0};
  return poll(&probe, 1, 0) == 1 && (probe.revents & (POLLHUP | POLLERR)) != 0;
#else
  return false;
#endif
}

}  // namespace

void writeLineToStdout(std::string_view line) {
  if (readerGone(STDOUT_FILENO)) return;
  const SigpipeHeldBack held;
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// In one write(2), so that lines from several threads never interleave inside a line.
void writeLineFromAnyThread(std::string_view line) {
  std::string text(line);
  text.push_back('\n');
  if (readerGone(STDOUT_FILENO)) return;
  const SigpipeHeldBack held;
  [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
}

}  // namespace axb::platform
