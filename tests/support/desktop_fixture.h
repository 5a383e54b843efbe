// A fresh simulated desktop and a fresh library for every test, with a host callback that
// records what the host receives.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "axbridge/axbridge.h"
#include "bridge/process_state.h"
#include "platform/sim/desktop.h"

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

  static const std::vector<std::string>& lines() { return desk().diagnosticLines(); }
  static std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const auto& event : received()) out.push_back(event.name);
    return out;
  }
};

}  // namespace axb::testing

namespace axb::testing {

// A text editor: a window holding an editable text area, focused, and a static label.
inline constexpr ProcessId kNotes = 10;
inline constexpr ProcessId kMail = 20;

inline void addNotesApp(const std::string& text = "Hello wrld", Range selection = {0, 0}) {
  auto& desk = sim::Desktop::current();
  desk.addApplication({.pid = kNotes, .bundleId = "com.example.notes", .name = "Notes"});
  desk.addElement(kNotes,
                  {.id = "notes.window", .role = "AXWindow", .frame = {100, 100, 600, 400}});
  desk.addElement(kNotes, {.id = "notes.body",
                           .role = "AXTextArea",
                           .window = "notes.window",
                           .frame = {110, 140, 580, 340},
                           .text = sim::TextKind::Native,
                           .value = text,
                           .selection = selection});
  desk.addElement(kNotes, {.id = "notes.label",
                           .role = "AXStaticText",
                           .window = "notes.window",
                           .frame = {110, 110, 300, 20},
                           .text = sim::TextKind::MarkersOnly,
                           .value = "Read-only note title",
                           .editable = false});
  desk.focus("notes.body");
}

// A mail client with a single-line field.
inline void addMailApp() {
  auto& desk = sim::Desktop::current();
  desk.addApplication({.pid = kMail, .bundleId = "com.example.mail", .name = "Mail"});
  desk.addElement(kMail, {.id = "mail.window", .role = "AXWindow", .frame = {0, 0, 800, 600}});
  desk.addElement(kMail, {.id = "mail.subject",
                          .role = "AXTextField",
                          .window = "mail.window",
                          .frame = {10, 40, 500, 24},
                          .text = sim::TextKind::Native,
                          .value = "Quarterly report"});
  desk.focus("mail.subject");
}

}  // namespace axb::testing
