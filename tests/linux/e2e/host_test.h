// The test process as the library's host: it starts the library with an empty blocked list,
// follows GTK test applications, and on failure prints every event the host received.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "e2e/desktop_session.h"

namespace axb::e2e {

// A freshly started application enters the accessibility tree and answers its first requests
// late on a loaded machine: the switch to it is waited for longer than other events.
inline constexpr double kSwitchDeadline = 15.0;

// The text of a test application's widget; empty when it does not answer.
inline std::string textOf(ChildApp& app, const std::string& widget) {
  const auto answer = app.ask("text " + widget);
  return answer && answer->is_object() ? answer->value("text", "") : "";
}

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

  // Rectangles against a test application's own layout ("layout <widget> <start> <end>"), whose
  // positions are fractional where the accessibility interface's are whole pixels.
  static constexpr double kTolerance = 2.0;
  static void expectNear(const Json& payload, const Json& layoutRect,
                         double tolerance = kTolerance) {
    ASSERT_TRUE(layoutRect.is_array()) << layoutRect;
    EXPECT_NEAR(payload["position"]["x"].get<double>(), layoutRect[0].get<double>(), tolerance);
    EXPECT_NEAR(payload["position"]["y"].get<double>(), layoutRect[1].get<double>(), tolerance);
    EXPECT_NEAR(payload["size"]["width"].get<double>(), layoutRect[2].get<double>(), tolerance);
    EXPECT_NEAR(payload["size"]["height"].get<double>(), layoutRect[3].get<double>(), tolerance);
  }
  static Json layout(ChildApp& app, const std::string& widget, int start, int end) {
    const auto answer =
        app.ask("layout " + widget + " " + std::to_string(start) + " " + std::to_string(end));
    return answer && answer->is_object() ? (*answer)["rect"] : Json();
  }
  static auto selecting(const std::string& text) {
    return [text](const Json& payload) { return payload.value("selected_text", "") == text; };
  }
};

}  // namespace axb::e2e
