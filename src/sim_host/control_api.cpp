// The simulated desktop's C control surface. Nothing may leave through it as an exception: each
// function catches everything and answers with its failure value.
#include <exception>
#include <string>

#include "axbridge/sim.h"
#include "bridge/process_state.h"
#include "sim_desktop/desktop.h"
#include "sim_host/scenario.h"

namespace {

using axb::sim::Desktop;
using axb::sim::ScenarioPlayer;

bool echoDiagnostics = true;

void resetWorld() {
  // The library's registrations point into the desktop: drop them while it still exists.
  axb::bridge::resetProcessState();
  Desktop::reset();
  Desktop::current().setEchoDiagnostics(echoDiagnostics);
}

// Never destroyed, like the desktop, so no exit-time order can bite.
ScenarioPlayer& player() {
  static ScenarioPlayer* const instance = new ScenarioPlayer(resetWorld);
  return *instance;
}

std::string& lastError() {
  static std::string* const text = new std::string();
  return *text;
}

std::string& stateText() {
  static std::string* const text = new std::string();
  return *text;
}

}  // namespace

extern "C" {

AXBRIDGE_API void axsim_reset(void) {
  try {
    player().reset();
  } catch (...) {
  }
}

AXBRIDGE_API int axsim_load_scenario(const char* scenario_json) {
  try {
    if (scenario_json == nullptr) {
      player().reset();
      lastError() = "top level: no scenario text (null pointer)";
      return 0;
    }
    const bool loaded = player().load(scenario_json);
    lastError() = loaded ? std::string() : player().lastError();
    return loaded ? 1 : 0;
  } catch (const std::exception& e) {
    lastError() = std::string("top level: ") + e.what();
  } catch (...) {
    lastError() = "top level: the scenario could not be loaded";
  }
  return 0;
}

AXBRIDGE_API const char* axsim_last_error(void) {
  return lastError().c_str();
}

AXBRIDGE_API void axsim_set_host_callback(axbridge_event_callback callback) {
  try {
    player().setHostCallback(callback);
  } catch (...) {
  }
}

AXBRIDGE_API int axsim_run(void) {
  try {
    return player().run() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

AXBRIDGE_API double axsim_now(void) {
  try {
    return player().elapsed();
  } catch (...) {
    return 0;
  }
}

AXBRIDGE_API const char* axsim_state_json(void) {
  try {
    stateText() = player().stateJson();
  } catch (...) {
    stateText() = "{}";
  }
  return stateText().c_str();
}

AXBRIDGE_API void axsim_set_diagnostics_echo(int echo) {
  try {
    echoDiagnostics = echo != 0;
    Desktop::current().setEchoDiagnostics(echoDiagnostics);
  } catch (...) {
  }
}

}  // extern "C"
