// Shared set-up for the simulated desktop's tests: a fresh, quiet desktop per test, and a
// recorder that observer callbacks write into through their refcon.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/observer.h"
#include "sim_desktop/desktop.h"

namespace axb::sim::testing {

// A keyboard event as the system posts it for a process: from a source of the HID system's
// state, at the HID tap.
inline void postKey(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) {
  Desktop::current().recordKeyEvent({.sourceState = kHIDSystemState,
                                     .keyCode = keyCode,
                                     .keyDown = keyDown,
                                     .flags = flags,
                                     .tap = kHIDEventTap});
}

// The V key down and up with the Command flag: a paste.
inline void postCommandV() {
  for (bool down : {true, false}) postKey(kKeyCodeV, down, kCommandFlag);
}

struct Heard {
  std::string element;
  std::string notification;
  friend bool operator==(const Heard&, const Heard&) = default;
};

inline void PrintTo(const Heard& heard, std::ostream* out) {
  *out << heard.element << ":" << heard.notification;
}

struct Recorder {
  std::vector<Heard> heard;
};

inline void recordNotification(const platform::Element& element, std::string_view notification,
                               void* refcon) {
  static_cast<Recorder*>(refcon)->heard.push_back(
      {Desktop::current().elementId(element), std::string(notification)});
}

inline constexpr ProcessId kEditorPid = 100;

class SimDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Desktop::reset();
    desktop().setEchoDiagnostics(false);
  }

  static Desktop& desktop() { return Desktop::current(); }

  // An editor with a window "win" at (100, 200) holding a text area "area".
  static void addEditor(const std::string& text = "hello\nworld", Range selection = {0, 0}) {
    desktop().addApplication({kEditorPid, "com.example.editor", "Editor", true});
    desktop().addElement(kEditorPid,
                         {.id = "win", .role = "AXWindow", .frame = {100, 200, 400, 300}});
    desktop().addElement(kEditorPid, {.id = "area",
                                      .role = "AXTextArea",
                                      .window = "win",
                                      .frame = {110, 240, 300, 100},
                                      .text = TextKind::Native,
                                      .value = text,
                                      .selection = selection});
  }

  static std::unique_ptr<platform::Observer> observe(ProcessId pid, const std::string& id,
                                                     const char* notification, Recorder& recorder) {
    auto observer = platform::Observer::create(pid, recordNotification);
    EXPECT_EQ(observer->addNotification(desktop().element(id), notification, &recorder), 0);
    observer->addSourceToCurrentRunLoop();
    return observer;
  }
};

}  // namespace axb::sim::testing
