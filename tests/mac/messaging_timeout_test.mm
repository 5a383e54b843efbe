// A request to an application that does not answer (here: a stopped process) gives up after
// the library's messaging timeout instead of the system's default of six seconds, so a hung
// application cannot freeze the host's main thread for long.
#include <gtest/gtest.h>
#include <signal.h>

#include "mac/editor.h"
#include "platform/accessibility.h"
#include "platform/mac/messaging.h"
#include "platform/run_loop.h"

namespace axb::platform {
namespace {

using testing::EditorTest;

TEST_F(EditorTest, TheMessagingTimeoutBoundsARequestToAStoppedApplication) {
  ASSERT_EQ(kill(pid_, SIGSTOP), 0);
  const double start = monotonicSeconds();
  const CopyResult children = copyAttributeValue(*application_, "AXChildren");
  const double elapsed = monotonicSeconds() - start;
  kill(pid_, SIGCONT);

  EXPECT_EQ(children.error, axerr::kCannotComplete);
  EXPECT_GE(elapsed, mac::kMessagingTimeoutSeconds - 0.5);
  EXPECT_LT(elapsed, mac::kMessagingTimeoutSeconds + 2.0);  // well below the default six
}

}  // namespace
}  // namespace axb::platform
