// Scenarios: a desktop to start from and a script of timed steps, written as JSON (the format is
// in docs/scenarios.md). parseScenario reads and validates one without touching the desktop;
// ScenarioPlayer builds it on the simulated desktop and plays it on the virtual clock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "axbridge/axbridge.h"
#include "platform/geometry.h"
#include "platform/pasteboard.h"
#include "sim_desktop/desktop.h"
#include "sim_host/scenario_values.h"

namespace axb::sim {

namespace scenario {

struct ElementDecl {
  std::string path;  // where it was declared, for messages
  ElementSpec spec;
  AttributeAnswers attributes;
  AttributeAnswers parameterized;
  std::vector<std::pair<std::string, platform::AXErrorCode>> notificationErrors;
};

struct ApplicationDecl {
  std::string path;
  AppSpec spec;
  bool frontmost = false;
  AttributeAnswers attributes;  // of the application element
  std::vector<ElementDecl> elements;
  std::optional<std::string> focused;
};

struct HostWindowDecl {
  std::string path;
  HostWindowSpec spec;
};

class Session;

enum class StepKind {
  World,     // another process or the user acts, on the world timeline
  HostCall,  // the host's own code calls an entry point on the main thread
  RunLoop,   // the main thread runs its run loop in a mode for a while
};

struct Step {
  double at = 0;     // seconds since the scenario began
  std::string path;  // "timeline[3]"
  std::string action;
  StepKind kind = StepKind::World;
  std::function<void(Session&)> perform;    // World and HostCall steps
  RunLoopMode mode = RunLoopMode::Default;  // RunLoop steps
  double duration = 0;
};

struct Scenario {
  std::string comment;
  std::optional<ProcessId> hostPid;
  bool trusted = true;
  std::vector<ApplicationDecl> applications;
  std::optional<std::vector<platform::PasteboardItem>> pasteboard;
  std::vector<HostWindowDecl> hostWindows;
  std::optional<Point> pointer;
  std::vector<Step> timeline;

  // When the last step starts or, for a run loop step, ends.
  double scriptEnd() const;
};

struct ParseResult {
  std::optional<Scenario> scenario;
  std::string error;  // set when scenario is not
};

// Reads and validates a scenario; never throws. Every reference is checked (element ids,
// process ids, windows, host windows), including against the steps before it (a terminated
// application, a destroyed element), so that playing it can only fail where the desktop itself
// refuses.
ParseResult parseScenario(std::string_view json);

// Decodes pasteboard items: [[{"type": ..., "data": ...}, ...], ...].
std::vector<platform::PasteboardItem> decodePasteboardItems(const Node& node);

struct HostCallResult {
  double time = 0;
  std::string call;
  bool result = false;
};

// A loaded scenario while it is played: the script, the time it began, what the host calls
// returned and what went wrong on the way.
class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(Scenario scenario, axbridge_event_callback hostCallback);

  // Builds the starting desktop on the current (empty) desktop and queues the script. Returns
  // an error message when the desktop refuses something; the desktop must then be reset.
  std::optional<std::string> install();
  // Runs the main run loop up to the time (seconds since the scenario began), in the modes the
  // script's run loop steps give.
  void playUntil(double elapsedTarget);
  // Runs the main run loop until the script has ended and nothing is pending.
  void play();

  double elapsed() const;  // seconds since the scenario began
  axbridge_event_callback hostCallback() const { return hostCallback_; }
  void setHostCallback(axbridge_event_callback callback) { hostCallback_ = callback; }
  void recordHostResult(std::string call, bool result);
  void reportProblem(const std::string& where, const std::string& message);

  const Scenario& scenario() const { return scenario_; }
  const std::vector<HostCallResult>& hostResults() const { return hostResults_; }
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  void perform(std::size_t stepIndex);
  void queueScript();
  void drain();

  Scenario scenario_;
  axbridge_event_callback hostCallback_ = nullptr;
  double begin_ = 0;
  std::vector<HostCallResult> hostResults_;
  std::vector<std::string> problems_;
};

}  // namespace scenario

// Loads and plays scenarios one after another; what the axsim_ functions drive.
class ScenarioPlayer {
 public:
  // resetWorld empties the desktop and forgets the library's own state.
  explicit ScenarioPlayer(std::function<void()> resetWorld);

  // How many items of work (main-thread items and other processes' actions) one run may run
  // before it gives up on work that never stops arriving.
  static constexpr std::uint64_t kRunItemLimit = 100'000;

  // Each call below that answers false says why in lastError(), and clears it when it succeeds.
  // Refused while a run is in progress: the run loop is inside the session.
  bool reset();
  // Resets, then builds the scenario and queues its script. On failure the desktop is left
  // empty.
  bool load(std::string_view json);
  const std::string& lastError() const { return lastError_; }
  // Plays the loaded scenario to its end; false when none is loaded, one is already playing, or
  // work was still arriving after kRunItemLimit items.
  bool run();
  // Runs the main run loop for the virtual duration: the loaded scenario's script (in its run
  // loop modes), or the bare desktop when none is loaded. False for a duration that is negative
  // or not finite, inside another run, or when kRunItemLimit items were not enough.
  bool runFor(double seconds);
  bool playing() const { return playing_; }

  void setHostCallback(axbridge_event_callback callback);
  double elapsed() const;
  // The desktop's state, with the scenario's host call results and problems under "scenario".
  std::string stateJson() const;

 private:
  std::function<void()> resetWorld_;
  std::shared_ptr<scenario::Session> session_;
  axbridge_event_callback hostCallback_ = nullptr;
  std::string lastError_;
  bool playing_ = false;
};

}  // namespace axb::sim
