// Building a scenario's starting desktop and playing its script on the virtual clock.
//
// The whole script is queued when the scenario is loaded, in file order, so that steps of one
// instant keep that order. World actions go on the world timeline: they happen on time even while
// the library blocks the main thread. Host calls go on the main queue: they run when the main
// thread gets to them.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "sim_host/scenario.h"
#include "sim_host/scenario_parse.h"

namespace axb::sim {
namespace scenario {

Session::Session(Scenario scenario, axbridge_event_callback hostCallback)
    : scenario_(std::move(scenario)), hostCallback_(hostCallback) {}

std::optional<std::string> Session::install() {
  Desktop& desktop = Desktop::current();
  std::string where = "top level";
  try {
    desktop.setTrusted(scenario_.trusted);
    if (scenario_.hostPid) desktop.setHostProcess(*scenario_.hostPid);
    for (const ApplicationDecl& app : scenario_.applications) {
      where = app.path;
      desktop.addApplication(app.spec);
      buildApplicationElements(desktop, app, where);
    }
    // Answers and focus once every element exists: values may name elements of any application.
    for (const ApplicationDecl& app : scenario_.applications) {
      buildApplicationAnswers(desktop, app, where);
      buildApplicationFocus(desktop, app, where);
    }
    for (const ApplicationDecl& app : scenario_.applications) {
      where = app.path + ".frontmost";
      if (app.frontmost) desktop.activate(app.spec.pid);
    }
    if (scenario_.pasteboard) {
      where = "pasteboard";
      desktop.replacePasteboard(*scenario_.pasteboard);
    }
    for (const HostWindowDecl& window : scenario_.hostWindows) {
      where = window.path;
      desktop.addHostWindow(window.spec);
    }
    if (scenario_.pointer) {
      where = "pointer";
      desktop.movePointer(*scenario_.pointer);
    }
    // What setting up posted reaches nobody yet: let it pass before the scenario's time begins.
    where = "top level";
    desktop.runUntilIdle(RunLoopMode::Default);
    begin_ = desktop.now();
    queueScript();
  } catch (const std::exception& e) {
    return where + ": " + e.what();
  } catch (...) {
    return where + ": the desktop refused it";
  }
  return std::nullopt;
}

void Session::queueScript() {
  Desktop& desktop = Desktop::current();
  const std::weak_ptr<Session> weak = weak_from_this();
  for (std::size_t index = 0; index < scenario_.timeline.size(); ++index) {
    const Step& step = scenario_.timeline[index];
    const auto perform = [weak, index] {
      if (const auto self = weak.lock()) self->perform(index);
    };
    switch (step.kind) {
      case StepKind::World:
        desktop.atWorldTime(begin_ + step.at, perform);
        break;
      case StepKind::HostCall:
        desktop.dispatchAfterOnMainQueue(begin_ + step.at - desktop.now(), perform);
        break;
      case StepKind::RunLoop:
        break;  // played by play()
    }
  }
}

void Session::perform(std::size_t index) {
  const Step& step = scenario_.timeline[index];
  const std::string where = step.path + " (" + step.action + ")";
  try {
    step.perform(*this);
  } catch (const std::exception& e) {
    reportProblem(where, e.what());
  } catch (...) {
    reportProblem(where, "failed");
  }
}

// A run loop step that has already passed is skipped; one under way goes on in its mode.
void Session::playUntil(double elapsedTarget) {
  Desktop& desktop = Desktop::current();
  const double target = begin_ + elapsedTarget;
  for (const Step& step : scenario_.timeline) {
    if (step.kind != StepKind::RunLoop) continue;
    const double from = begin_ + step.at;
    const double to = from + step.duration;
    if (from >= target) break;
    if (desktop.now() >= to) continue;
    if (desktop.now() < from) desktop.runUntil(from, RunLoopMode::Default);
    desktop.runUntil(std::min(to, target), step.mode);
    // Work the step holds back waits for the next call.
    if (to >= target) return;
  }
  desktop.runUntil(std::max(target, desktop.now()), RunLoopMode::Default);
}

void Session::play() {
  playUntil(scenario_.scriptEnd());
  drain();  // in the default mode
}

void Session::drain() {
  Desktop& desktop = Desktop::current();
  desktop.runUntilIdle(RunLoopMode::Default);
  if (desktop.runLimitReached()) return;  // the player says why
  if (desktop.hasPendingWork()) reportProblem("run", "work was still pending when the run stopped");
}

double Session::elapsed() const {
  return Desktop::current().now() - begin_;
}

void Session::recordHostResult(std::string call, bool result) {
  hostResults_.push_back(HostCallResult{elapsed(), std::move(call), result});
}

void Session::reportProblem(const std::string& where, const std::string& message) {
  problems_.push_back(where + ": " + message);
  std::fprintf(stderr, "axsim: at %.3f s, %s: %s\n", elapsed(), where.c_str(), message.c_str());
}

}  // namespace scenario

ScenarioPlayer::ScenarioPlayer(std::function<void()> resetWorld)
    : resetWorld_(std::move(resetWorld)) {}

namespace {

constexpr char kPlayingMessage[] =
    "a scenario is playing: axsim_run or axsim_run_for has not returned yet";

// Marks the player as playing and caps the desktop's run calls for the length of one run.
class RunScope {
 public:
  explicit RunScope(bool& playing) : playing_(playing) {
    playing_ = true;
    Desktop::current().limitRunItems(ScenarioPlayer::kRunItemLimit);
  }
  ~RunScope() {
    Desktop::current().limitRunItems(std::nullopt);
    playing_ = false;
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

  // Why the run stopped early, or nothing when it ran to its end.
  static std::optional<std::string> stoppedEarly() {
    Desktop& desktop = Desktop::current();
    if (!desktop.runLimitReached()) return std::nullopt;
    return "work was still arriving after " + std::to_string(ScenarioPlayer::kRunItemLimit) +
           " items of work, and the run stopped there (is a host callback asking the library "
           "for something on every event?)";
  }

 private:
  bool& playing_;
};

}  // namespace

bool ScenarioPlayer::reset() {
  if (playing_) {  // the run loop is inside the session: it must outlive the run
    lastError_ = std::string("axsim_reset refused: ") + kPlayingMessage;
    return false;
  }
  session_.reset();
  if (resetWorld_) resetWorld_();
  lastError_.clear();
  return true;
}

bool ScenarioPlayer::load(std::string_view json) {
  if (playing_) {
    lastError_ = std::string(kPlayingMessage) + "; load another one after it returns";
    return false;
  }
  reset();
  scenario::ParseResult parsed = scenario::parseScenario(json);
  if (!parsed.scenario) {
    lastError_ = parsed.error;
    return false;
  }
  auto session = std::make_shared<scenario::Session>(std::move(*parsed.scenario), hostCallback_);
  if (auto error = session->install()) {
    reset();
    lastError_ = *error;
    return false;
  }
  session_ = std::move(session);
  lastError_.clear();
  return true;
}

bool ScenarioPlayer::run() {
  if (playing_) {
    lastError_ = std::string("axsim_run refused: ") + kPlayingMessage;
    return false;
  }
  if (!session_) {
    lastError_ = "axsim_run: no scenario is loaded";
    return false;
  }
  const auto session = session_;  // kept alive for the whole run
  RunScope scope(playing_);
  session->play();
  if (auto stopped = RunScope::stoppedEarly()) {
    session->reportProblem("run", *stopped);
    lastError_ = "axsim_run: " + *stopped;
    return false;
  }
  lastError_.clear();
  return true;
}

bool ScenarioPlayer::runFor(double seconds) {
  if (playing_) {
    lastError_ = std::string("axsim_run_for refused: ") + kPlayingMessage;
    return false;
  }
  if (!std::isfinite(seconds) || seconds < 0) {
    lastError_ = "axsim_run_for: the duration must be a finite number of seconds, 0 or more";
    return false;
  }
  const auto session = session_;  // kept alive for the whole run
  RunScope scope(playing_);
  if (session) {
    session->playUntil(session->elapsed() + seconds);
  } else {
    Desktop::current().runFor(seconds);
  }
  if (auto stopped = RunScope::stoppedEarly()) {
    if (session) session->reportProblem("run", *stopped);
    lastError_ = "axsim_run_for: " + *stopped;
    return false;
  }
  lastError_.clear();
  return true;
}

void ScenarioPlayer::setHostCallback(axbridge_event_callback callback) {
  hostCallback_ = callback;
  if (session_) session_->setHostCallback(callback);
}

double ScenarioPlayer::elapsed() const {
  return session_ ? session_->elapsed() : Desktop::current().now();
}

std::string ScenarioPlayer::stateJson() const {
  using scenario::Json;
  Json state = Json::parse(Desktop::current().stateJson(), nullptr, /*allow_exceptions=*/false);
  if (!state.is_object()) state = Json::object();
  Json summary = Json::object();
  summary["loaded"] = session_ != nullptr;
  summary["elapsed"] = elapsed();
  summary["host_calls"] = Json::array();
  summary["problems"] = Json::array();
  if (session_) {
    for (const auto& result : session_->hostResults()) {
      summary["host_calls"].push_back(
          Json{{"t", result.time}, {"call", result.call}, {"result", result.result}});
    }
    for (const auto& problem : session_->problems()) summary["problems"].push_back(problem);
  }
  state["scenario"] = std::move(summary);
  return state.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace axb::sim
