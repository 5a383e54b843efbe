// A request to an application that does not answer (here: a stopped process) gives up after
// the library's messaging timeout instead of the system's default of six seconds, so a hung
// application cannot freeze the host's main thread for long.
#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>
#include <crt_externs.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "mac/run_loop_support.h"
#include "mac/text_edit.h"
#include "platform/accessibility.h"
#include "platform/mac/messaging.h"
#include "platform/run_loop.h"

namespace axb::platform {
namespace {

using testing::runLoopUntil;

// TextEdit started as a child process of the test, so that it can be stopped and killed.
class StoppedApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!AXIsProcessTrusted()) GTEST_SKIP() << testing::kNeedsPermission;
    NSURL* bundle =
        [[NSWorkspace sharedWorkspace] URLForApplicationWithBundleIdentifier:@"com.apple.TextEdit"];
    NSString* executable = bundle ? [NSBundle bundleWithURL:bundle].executablePath : nil;
    if (!executable) GTEST_SKIP() << "TextEdit is not installed";
    const char* path = executable.fileSystemRepresentation;
    // Without restoring windows of an earlier session.
    char* const arguments[] = {const_cast<char*>(path),
                               const_cast<char*>("-ApplePersistenceIgnoreState"),
                               const_cast<char*>("YES"), nullptr};
    ASSERT_EQ(posix_spawn(&child_, path, nullptr, nullptr, arguments, *_NSGetEnviron()), 0);
  }

  void TearDown() override {
    if (child_ <= 0) return;
    kill(child_, SIGCONT);
    kill(child_, SIGKILL);
    waitpid(child_, nullptr, 0);
  }

  pid_t child_ = 0;
};

TEST_F(StoppedApplicationTest, TheMessagingTimeoutBoundsARequest) {
  const Element application = createApplicationElement(child_);
  ASSERT_TRUE(runLoopUntil(
      [&] { return copyAttributeValue(application, "AXRole").error == axerr::kSuccess; }, 30))
      << "TextEdit never answered";

  ASSERT_EQ(kill(child_, SIGSTOP), 0);
  const double start = monotonicSeconds();
  const CopyResult children = copyAttributeValue(application, "AXChildren");
  const double elapsed = monotonicSeconds() - start;
  kill(child_, SIGCONT);

  EXPECT_EQ(children.error, axerr::kCannotComplete);
  EXPECT_GE(elapsed, mac::kMessagingTimeoutSeconds - 0.5);
  EXPECT_LT(elapsed, mac::kMessagingTimeoutSeconds + 2.0);  // well below the default six
}

}  // namespace
}  // namespace axb::platform
