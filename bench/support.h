// What the benchmarks share: a fresh desktop with two applications and a started library, a
// profile of what one notification asks of the desktop, and a replay of exactly those requests,
// so that the desktop's own cost can be measured beside the library's and taken out of it.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "axbridge/axbridge.h"
#include "bridge/event_channel.h"
#include "bridge/globals.h"
#include "bridge/process_state.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"
#include "platform/observer.h"
#include "platform/run_loop.h"
#include "sim_desktop/desktop.h"
#include "support/sample_apps.h"
#include "tracker/mac_accessibility.h"

namespace axb::bench {

// AXBRIDGE_BENCH_SMOKE=1 runs every benchmark briefly, once, to show that it still runs; its
// figures mean nothing.
inline bool smokeRun() {
  static const bool smoke = [] {
    const char* value = std::getenv("AXBRIDGE_BENCH_SMOKE");
    return value != nullptr && std::string_view(value) == "1";
  }();
  return smoke;
}
inline double minTime(double seconds) {
  return smokeRun() ? 1e-3 : seconds;
}
inline int repetitions(int count) {
  return smokeRun() ? 1 : count;
}

using testing::kMail;
using testing::kNotes;

// A host's list usually names a few applications, none of which is the one in front.
inline constexpr char kBlockedList[] =
    R"({"com.example.bank": {"name": "AXSubrole", "value": "AXSecureTextField"}})";

inline constexpr char kNoteText[] =
    "Dear team,\nthe quarterly figures are attached; the caf\u00e9 budget is unchanged.";

inline sim::Desktop& desk() {
  return sim::Desktop::current();
}
inline tracker::MacAccessibility& tracker() {
  return *bridge::globals().macAccessibility;
}

// The host: counts the events it gets and looks at nothing else.
inline std::uint64_t& hostCalls() {
  static std::uint64_t calls = 0;
  return calls;
}
inline void host(const char* name, const char* json) {
  benchmark::DoNotOptimize(name);
  benchmark::DoNotOptimize(json);
  ++hostCalls();
}

// Runs everything scheduled (delivery steps included) and forgets the diagnostic lines.
inline void settle() {
  desk().runUntilIdle();
  desk().clearDiagnosticLines();
}

// A fresh desktop: Notes (a window with a text area holding the text and a static label) and
// Mail (a window with a text field), and a started library following Notes.
inline void freshWorld(std::string notesText = kNoteText, Range selection = {0, 0},
                       const char* blockedList = kBlockedList) {
  bridge::resetProcessState();
  sim::Desktop::reset();
  auto& d = desk();
  d.setEchoDiagnostics(false);
  testing::addNotesApp(std::move(notesText), selection);
  testing::addMailApp();

  initMacAccessibility(&host);
  start(blockedList);
  d.activate(kNotes);
  settle();
  hostCalls() = 0;
}

// Text of exactly the given size in bytes: prose with some non-ASCII letters and line breaks,
// cut at a character boundary.
inline std::string sampleText(std::size_t bytes) {
  static constexpr std::string_view kParagraph =
      "The \"quarterly\" figures are in; na\u00efve estimates missed by 3\u202f%. "
      "Caf\u00e9 costs rose, travel fell \u2014 see the appendix.\n";
  std::string text;
  text.reserve(bytes + kParagraph.size());
  while (text.size() < bytes) text += kParagraph;
  std::size_t cut = bytes;
  while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  text.resize(cut);
  return text;
}

// What handling one notification asked of the desktop.
struct BoundaryProfile {
  std::vector<sim::RequestInfo> requests;  // requests to the other application, in order
  std::vector<std::string> diagnostics;    // lines written
  std::size_t posts = 0;                   // events posted (each schedules a delivery step)
};

// Runs fire once and records what it asks of the desktop.
inline BoundaryProfile profileOf(const std::function<void()>& fire) {
  BoundaryProfile profile;
  settle();
  desk().setRequestHook([&](const sim::RequestInfo& info) { profile.requests.push_back(info); });
  auto& sink = tracker().callback;
  const tracker::MacAccessibility::EventSink original = sink;
  sink = [&](const std::string& name, EventDictionary payload) {
    ++profile.posts;
    original(name, std::move(payload));
  };
  fire();
  profile.diagnostics = desk().diagnosticLines();
  sink = original;
  desk().setRequestHook(nullptr);
  settle();
  return profile;
}

// The parameter a parameterised request was made with, built afresh for each replayed request
// as the library builds it.
using ParameterFor = std::function<platform::Object(std::string_view attribute)>;

// Replays, straight through the platform boundary, the desktop's side of one notification: the
// same requests on the same elements, application elements created, the same diagnostic lines,
// and one scheduled step per posted event.
class DesktopReplay {
 public:
  DesktopReplay(const BoundaryProfile& profile, ParameterFor parameterFor,
                std::vector<ProcessId> applicationElements = {})
      : parameterFor_(std::move(parameterFor)),
        applicationElements_(std::move(applicationElements)),
        diagnostics_(profile.diagnostics),
        posts_(profile.posts) {
    for (const auto& request : profile.requests) {
      const platform::Element element = desk().element(request.elementId);
      const Operation operation = operationOf(request.operation);
      if (operation == Operation::AddNotification || operation == Operation::RemoveNotification) {
        observerFor(element);
      }
      steps_.push_back({operation, element, request.attribute});
    }
  }

  void run() const {
    for (const ProcessId pid : applicationElements_) {
      benchmark::DoNotOptimize(platform::createApplicationElement(pid));
    }
    for (const Step& step : steps_) {
      switch (step.operation) {
        case Operation::Copy:
          benchmark::DoNotOptimize(platform::copyAttributeValue(step.element, step.attribute));
          break;
        case Operation::CopyParameterized:
          benchmark::DoNotOptimize(platform::copyParameterizedAttributeValue(
              step.element, step.attribute, parameterFor_(step.attribute)));
          break;
        case Operation::Settable:
          benchmark::DoNotOptimize(platform::isAttributeSettable(step.element, step.attribute));
          break;
        case Operation::Set:
          benchmark::DoNotOptimize(platform::setAttributeValue(
              step.element, step.attribute, platform::Object::makeBoolean(true)));
          break;
        case Operation::Names:
          benchmark::DoNotOptimize(platform::copyAttributeNames(step.element));
          break;
        case Operation::AddNotification:
          benchmark::DoNotOptimize(
              observerFor(step.element).addNotification(step.element, step.attribute, nullptr));
          break;
        case Operation::RemoveNotification:
          benchmark::DoNotOptimize(
              observerFor(step.element).removeNotification(step.element, step.attribute));
          break;
      }
    }
    for (const std::string& line : diagnostics_) platform::writeDiagnosticLine(line);
    for (std::size_t i = 0; i < posts_; ++i) {
      platform::dispatchAfterOnMainQueue(bridge::kDeliveryInterval, [] {});
    }
  }

  std::size_t requestCount() const { return steps_.size(); }

 private:
  enum class Operation {
    Copy,
    CopyParameterized,
    Settable,
    Set,
    Names,
    AddNotification,
    RemoveNotification
  };
  struct Step {
    Operation operation;
    platform::Element element;
    std::string attribute;
  };

  static Operation operationOf(const std::string& name) {
    if (name == "copyAttributeValue") return Operation::Copy;
    if (name == "copyParameterizedAttributeValue") return Operation::CopyParameterized;
    if (name == "isAttributeSettable") return Operation::Settable;
    if (name == "setAttributeValue") return Operation::Set;
    if (name == "copyAttributeNames") return Operation::Names;
    if (name == "addNotification") return Operation::AddNotification;
    if (name == "removeNotification") return Operation::RemoveNotification;
    throw std::invalid_argument("no replay for request " + name);
  }

  // Registrations are replayed on an observer of the replay's own, one per process.
  platform::Observer& observerFor(const platform::Element& element) const {
    const ProcessId pid = platform::elementProcessId(element).value_or(0);
    std::shared_ptr<platform::Observer>& observer = observers_[pid];
    if (!observer) {
      observer =
          platform::Observer::create(pid, [](const platform::Element&, std::string_view, void*) {});
      if (!observer) throw std::runtime_error("no observer to replay registrations on");
    }
    return *observer;
  }

  ParameterFor parameterFor_;
  mutable std::map<ProcessId, std::shared_ptr<platform::Observer>> observers_;
  std::vector<ProcessId> applicationElements_;
  std::vector<std::string> diagnostics_;
  std::size_t posts_;
  std::vector<Step> steps_;
};

// Times fire, one notification a call, in batches; after each batch, with the benchmark's timer
// paused, times the desktop's replay of the same notifications and runs the scheduled work.
// Notification i of a batch is replayed by replays[i % replays.size()] (fire may cycle through
// several notifications, such as switches back and forth). Sets the per-notification counters:
// handler, desktop and library (their difference) as processor time in the unit, and requests,
// posted events and diagnostic lines.
struct PathMeasurement {
  std::function<void()> fire;
  int batch = 64;  // calls of fire between two pauses; a multiple of the number of replays
  double unitSeconds = 1e-6;
  const char* unitName = "us";
  // Off where the desktop's share is nearly all of the time: the difference would be noise.
  bool reportLibrary = true;
};

// Processor time of the calling thread: the machine is shared, and wall time would count the
// time other processes ran.
struct ThreadClock {
  using duration = std::chrono::nanoseconds;
  using time_point = std::chrono::time_point<ThreadClock, duration>;
  static time_point now() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
  }
};

inline void measurePath(benchmark::State& state, const PathMeasurement& path,
                        const std::vector<BoundaryProfile>& profiles,
                        const std::vector<DesktopReplay>& replays) {
  using Clock = ThreadClock;
  Clock::duration handler{};
  Clock::duration desktop{};
  std::int64_t measured = 0;
  int inBatch = 0;
  Clock::time_point batchStart = Clock::now();
  for (auto _ : state) {
    path.fire();
    if (++inBatch < path.batch) continue;
    const Clock::time_point batchEnd = Clock::now();
    state.PauseTiming();
    handler += batchEnd - batchStart;
    const Clock::time_point replayStart = Clock::now();
    for (int i = 0; i < path.batch; ++i) replays[i % replays.size()].run();
    desktop += Clock::now() - replayStart;
    measured += inBatch;
    inBatch = 0;
    settle();
    state.ResumeTiming();
    batchStart = Clock::now();
  }
  if (inBatch > 0) {  // the last, partial batch
    handler += Clock::now() - batchStart;
    const Clock::time_point replayStart = Clock::now();
    for (int i = 0; i < inBatch; ++i) replays[i % replays.size()].run();
    desktop += Clock::now() - replayStart;
    measured += inBatch;
  }
  settle();
  if (measured == 0) return;
  const double scale = 1.0 / (static_cast<double>(measured) * path.unitSeconds);
  const double handlerTime = std::chrono::duration<double>(handler).count() * scale;
  const double desktopTime = std::chrono::duration<double>(desktop).count() * scale;
  const std::string unit = path.unitName;
  state.counters["handler_" + unit] = handlerTime;
  state.counters["desktop_" + unit] = desktopTime;
  if (path.reportLibrary) state.counters["library_" + unit] = handlerTime - desktopTime;
  double requests = 0;
  double posts = 0;
  double lines = 0;
  for (const BoundaryProfile& profile : profiles) {
    requests += static_cast<double>(profile.requests.size());
    posts += static_cast<double>(profile.posts);
    lines += static_cast<double>(profile.diagnostics.size());
  }
  const auto count = static_cast<double>(profiles.size());
  state.counters["requests"] = requests / count;
  state.counters["posts"] = posts / count;
  state.counters["diagnostic_lines"] = lines / count;
}

}  // namespace axb::bench
