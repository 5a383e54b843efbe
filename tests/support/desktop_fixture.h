// A fresh simulated desktop and a fresh library for every test, with a host callback that
// records what the host receives.
#pragma once

#include <gtest/gtest.h>

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

  static const std::vector<std::string>& lines() { return desk().diagnosticLines(); }
  static std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const auto& event : received()) out.push_back(event.name);
    return out;
  }
};

}  // namespace axb::testing
