// A reader of standard output that has gone must not end the host: the library's lines to it are
// dropped, with nothing of the host's own setup changed.
#include "platform/quiet_stdout.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "platform/diagnostics.h"
#include "platform/threads.h"
#include "sim_desktop/desktop.h"

namespace axb::platform {
namespace {

TEST(QuietStdoutTest, LinesToAClosedPipeAreDroppedWithoutSigpipe) {
  std::fflush(stdout);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const int terminal = dup(STDOUT_FILENO);
  close(ends[0]);  // the reader has gone
  dup2(ends[1], STDOUT_FILENO);
  close(ends[1]);
  struct sigaction before {};
  sigaction(SIGPIPE, nullptr, &before);
  const int flagsBefore = fcntl(STDOUT_FILENO, F_GETFL);

  // With SIGPIPE's default action, a delivered one would end this test run here.
  // The simulated desktop's, as the library writes them, echoed as a host of it asks.
  sim::Desktop::current().setEchoDiagnostics(true);
  writeDiagnosticLine("diagnostic");
  writeLineFromAnyThread("from another thread");

  sigset_t pending;
  sigpending(&pending);
  const bool sigpipePending = sigismember(&pending, SIGPIPE) == 1;
  struct sigaction after {};
  sigaction(SIGPIPE, nullptr, &after);
  const int flagsAfter = fcntl(STDOUT_FILENO, F_GETFL);
  sigset_t mask;
  pthread_sigmask(SIG_BLOCK, nullptr, &mask);
  std::clearerr(stdout);
  dup2(terminal, STDOUT_FILENO);
  close(terminal);

  EXPECT_FALSE(sigpipePending);
  EXPECT_FALSE(sigismember(&mask, SIGPIPE));
  EXPECT_EQ(after.sa_handler, before.sa_handler);
  EXPECT_EQ(flagsAfter, flagsBefore);
}

}  // namespace
}  // namespace axb::platform
