// The simulated desktop's C control surface. Nothing may leave through it as an exception: each
// function catches everything and answers with its failure value.
#include <cmath>
#include <cstddef>
#include <exception>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "axbridge/sim.h"
#include "bridge/process_state.h"
#include "platform/geometry.h"
#include "sim_desktop/desktop.h"
#include "sim_desktop/host_window_node.h"
#include "sim_host/scenario.h"

namespace {

using axb::sim::Desktop;
using axb::sim::ScenarioPlayer;

bool echoDiagnostics = true;
axsim_diagnostic_callback diagnosticCallback = nullptr;
int diagnosticCallbackDepth = 0;  // > 0 while the host's diagnostic callback runs

void handDiagnosticLine(std::string_view line) {
  if (diagnosticCallback == nullptr) return;
  const std::string text(line);  // NUL-terminated, and the host may keep nothing of ours
  ++diagnosticCallbackDepth;
  diagnosticCallback(text.c_str());
  --diagnosticCallbackDepth;
}

void resetWorld() {
  // The library's registrations point into the desktop: drop them while it still exists.
  axb::bridge::resetProcessState();
  Desktop::reset();
  Desktop::current().setEchoDiagnostics(echoDiagnostics);
  Desktop::current().setDiagnosticSink(handDiagnosticLine);
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

// A diagnostic line is written from deep inside the library: pulling the desktop or the run
// loop from under it then is refused.
bool refusedInDiagnosticCallback(const char* function) {
  if (diagnosticCallbackDepth == 0) return false;
  lastError() = std::string(function) + " refused: called from the diagnostic callback";
  return true;
}

// Scenario files take the same limits (docs/scenarios.md).
constexpr double kMaxCoordinate = 10'000'000;
constexpr std::size_t kMaxNameBytes = 256;

std::optional<std::string> badWindowFrame(double x, double y, double width, double height) {
  for (const double value : {x, y, width, height}) {
    if (!std::isfinite(value) || std::fabs(value) > kMaxCoordinate) {
      return "the frame's numbers must be finite and within 10000000 points";
    }
  }
  if (width < 0 || height < 0) return "the frame's width and height must be 0 or more";
  return std::nullopt;
}

std::optional<std::string> badWindowId(const char* id) {
  if (id == nullptr || *id == '\0') return "no window id";
  if (std::string_view(id).size() > kMaxNameBytes) return "the window id is over 256 bytes";
  return std::nullopt;
}

// The handle of the open host window with that id, or null.
void* openHostWindow(const char* id) {
  Desktop& desktop = Desktop::current();
  void* handle = nullptr;
  try {
    handle = desktop.hostWindowHandle(id);
  } catch (const std::out_of_range&) {
    return nullptr;  // never declared
  }
  return axb::sim::hostWindowFromHandle(desktop, handle) != nullptr ? handle : nullptr;
}

}  // namespace

extern "C" {

AXBRIDGE_API int axsim_reset(void) {
  try {
    if (refusedInDiagnosticCallback("axsim_reset")) return 0;
    const bool reset = player().reset();
    lastError() = player().lastError();
    return reset ? 1 : 0;
  } catch (...) {
    lastError() = "axsim_reset: the desktop could not be reset";
  }
  return 0;
}

AXBRIDGE_API int axsim_load_scenario(const char* scenario_json) {
  try {
    if (refusedInDiagnosticCallback("axsim_load_scenario")) return 0;
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
    if (refusedInDiagnosticCallback("axsim_run")) return 0;
    const bool ran = player().run();
    lastError() = player().lastError();
    return ran ? 1 : 0;
  } catch (...) {
    lastError() = "axsim_run: the scenario could not be played";
  }
  return 0;
}

AXBRIDGE_API int axsim_run_for(double seconds) {
  try {
    if (refusedInDiagnosticCallback("axsim_run_for")) return 0;
    const bool ran = player().runFor(seconds);
    lastError() = player().lastError();
    return ran ? 1 : 0;
  } catch (...) {
    lastError() = "axsim_run_for: the run loop could not be run";
  }
  return 0;
}

AXBRIDGE_API void* axsim_add_host_window(const char* id, double x, double y, double width,
                                         double height) {
  try {
    auto problem = badWindowId(id);
    if (!problem) problem = badWindowFrame(x, y, width, height);
    if (!problem && openHostWindow(id) != nullptr) problem = "a host window with that id is open";
    if (problem) {
      lastError() = "axsim_add_host_window: " + *problem;
      return nullptr;
    }
    axb::sim::HostWindowSpec spec;
    spec.id = id;
    spec.frame = axb::Rect{x, y, width, height};
    void* const handle = Desktop::current().addHostWindow(spec);
    lastError().clear();
    return handle;
  } catch (...) {
    lastError() = "axsim_add_host_window: the desktop refused the window";
  }
  return nullptr;
}

AXBRIDGE_API void* axsim_host_window(const char* id) {
  try {
    if (const auto problem = badWindowId(id)) {
      lastError() = "axsim_host_window: " + *problem;
      return nullptr;
    }
    if (void* const handle = openHostWindow(id)) {
      lastError().clear();
      return handle;
    }
    lastError() = "axsim_host_window: no open host window with that id";
  } catch (...) {
    lastError() = "axsim_host_window: the desktop could not be asked";
  }
  return nullptr;
}

AXBRIDGE_API void axsim_set_diagnostic_callback(axsim_diagnostic_callback callback) {
  try {
    diagnosticCallback = callback;
    Desktop::current().setDiagnosticSink(handDiagnosticLine);
  } catch (...) {
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
