// Scenario tests drive the simulated desktop through its C control surface, as a host does, and
// record the events the library delivers with the scenario time they arrived at.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "axbridge/sim.h"

namespace axb::testing {

struct ScenarioEvent {
  double time = 0;
  std::string name;
  std::string json;
};

class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    axsim_set_diagnostics_echo(0);
    axsim_set_host_callback(&record);
    axsim_reset();
    events().clear();
  }
  void TearDown() override {
    axsim_reset();
    axsim_set_host_callback(nullptr);
    axsim_set_diagnostics_echo(1);
  }

  static void record(const char* name, const char* json) {
    events().push_back({axsim_now(), name, json});
  }
  static std::vector<ScenarioEvent>& events() {
    static std::vector<ScenarioEvent> recorded;
    return recorded;
  }
  static std::vector<std::string> eventNames() {
    std::vector<std::string> names;
    for (const auto& event : events()) names.push_back(event.name);
    return names;
  }

  static bool load(const std::string& json) { return axsim_load_scenario(json.c_str()) == 1; }
  static nlohmann::json state() { return nlohmann::json::parse(axsim_state_json()); }
};

// A scenario the loader must refuse, and a part of the message it must give.
struct Refused {
  std::string scenario;
  std::string message;
};

inline void expectRefusals(const std::vector<Refused>& cases) {
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.scenario);
    EXPECT_EQ(axsim_load_scenario(c.scenario.c_str()), 0);
    EXPECT_NE(std::string(axsim_last_error()).find(c.message), std::string::npos)
        << "message: " << axsim_last_error();
  }
}

// One Notes application with a window, a text area (focused) and a second text field.
inline std::string notesApplication() {
  return R"({"pid": 501, "bundle_id": "com.example.notes", "name": "Notes",
    "elements": [
      {"id": "window", "role": "AXWindow", "frame": [100, 100, 800, 600]},
      {"id": "body", "role": "AXTextArea", "window": "window", "frame": [120, 160, 760, 480],
       "text_kind": "native", "text": "Buy milk"},
      {"id": "field", "role": "AXTextField", "window": "window", "frame": [120, 124, 300, 24],
       "text_kind": "native", "text": ""}],
    "focused": "body"})";
}

// A scenario with the Notes application and the given timeline (a JSON array).
inline std::string withNotes(const std::string& timeline) {
  return R"({"applications": [)" + notesApplication() + R"(], "timeline": )" + timeline + "}";
}

// The steps that make the library follow Notes.
inline constexpr char kFollowNotes[] =
    R"({"at": 0, "do": "initMacAccessibility"}, {"at": 0.1, "do": "start"},
       {"at": 0.5, "do": "activate", "pid": 501})";

}  // namespace axb::testing
