// The test process as the library's host: it starts the library with an empty blocked list,
// follows GTK test applications, and on failure prints every event the host received.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "e2e/desktop_session.h"

namespace axb::e2e {

// A freshly started application enters the accessibility tree and answers its first requests
// late on a loaded machine: the switch to it is waited for longer than other events.
inline constexpr double kSwitchDeadline = 15.0;

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override { startHost("{}"); }
  void TearDown() override;

  static void startHost(const std::string& blockedList);

  // Starts the application, brings it to the front and waits until the host hears about it.
  // The switch may reach the host as the application's first caret or selection event instead:
  // a field that selects its text on focus reports it right after the switch, and the host
  // receives the latest of a burst. Whatever the switch set off is delivered before it returns.
  static std::unique_ptr<ChildApp> follow(const TextAppOptions& options);
};

}  // namespace axb::e2e
