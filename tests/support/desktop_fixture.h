// Fixtures of the tests on the simulated desktop: DesktopTest, a fresh desktop and a fresh library
// for every test, with a host callback that records what the host receives; SimDesktopTest, a
// fresh, quiet desktop alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "axbridge/axbridge.h"
#include "bridge/process_state.h"
#include "sim_desktop/desktop.h"
#include "support/sample_apps.h"

namespace axb::testing {

struct ReceivedEvent {
  std::string name;
  nlohmann::json data;
  std::string json;  // the text exactly as received
  double time = 0;
};

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bridge::resetProcessState();
    sim::Desktop::reset();
    desk().setEchoDiagnostics(false);
    received().clear();
  }
  void TearDown() override { bridge::resetProcessState(); }

  static sim::Desktop& desk() { return sim::Desktop::current(); }

  // The host callback: records each event with the virtual time it arrived.
  static void record(const char* name, const char* json) {
    received().push_back({name, nlohmann::json::parse(json), json, desk().now()});
  }
  static std::vector<ReceivedEvent>& received() {
    static std::vector<ReceivedEvent> events;
    return events;
  }

  static void initAndStart(const char* blocked = "{}") {
    initMacAccessibility(&record);
    start(blocked);
  }

  // The user brings the application to the front, and the library has caught up.
  static void followApp(ProcessId pid) {
    desk().activate(pid);
    desk().runFor(0.5);
  }
  // The host's own application comes to the front (it is never followed).
  static void bringHostToFront() {
    desk().addApplication({.pid = kHost, .bundleId = "com.example.writer", .name = "Quorvalent"});
    followApp(kHost);
  }
  // Starts the test's observations from here.
  static void forgetWhatHappened() {
    received().clear();
    desk().clearDiagnosticLines();
  }
  static constexpr ProcessId kHost = 99;

  // The host asks for assistant context: the answer, or null when none arrived.
  static nlohmann::json askForContext() {
    desk().runFor(0.5);  // what the user did is delivered first
    received().clear();
    getDataForVeskAssist();
    desk().runFor(0.5);
    EXPECT_LE(received().size(), 1u);
    if (received().empty()) return nullptr;
    EXPECT_EQ(received().back().name, "alt_enter_pressed");
    return received().back().data;
  }

  static const std::vector<std::string>& lines() { return desk().diagnosticLines(); }
  static std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const auto& event : received()) out.push_back(event.name);
    return out;
  }
};

}  // namespace axb::testing

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
};

}  // namespace axb::sim::testing
