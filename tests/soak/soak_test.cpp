// A long, busy session on one desktop: twenty applications that keep quitting and being replaced
// by new processes, ten thousand switches between them, and a million focus, selection and window
// notifications, all on the virtual clock. The library must stay bounded (registrations, handler
// runs, requests, memory) and every event the host receives must be well-formed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ax/observers.h"
#include "axbridge/axbridge.h"
#include "bridge/process_state.h"
#include "sim_desktop/desktop.h"
#include "soak/event_shapes.h"

namespace axb::testing {
namespace {

// Sanitizers make every step many times slower and keep freed memory in quarantine, so their
// build runs a tenth of the session and cannot judge resident memory.
#if defined(AXBRIDGE_SANITIZED)
constexpr int kScaleDown = 10;
constexpr bool kMeasureMemory = false;
#else
constexpr int kScaleDown = 1;
constexpr bool kMeasureMemory = true;
#endif

constexpr int kSwitches = 10'000 / kScaleDown;
constexpr int kNotificationsPerSwitch = 100;  // a million in all
constexpr int kNotificationsPerBurst = 5;     // then the run loop runs
constexpr double kBurstPause = 0.05;          // shorter than the delivery delay: bursts coalesce
constexpr double kSettle = 0.3;               // longer than the delivery delay
constexpr int kApplications = 20;
constexpr int kSwitchesPerReplacement = 40;  // then one application quits and a new one launches
constexpr int kProbeSelections = 10;
// Growth allowed from the end of the first tenth to the end. The simulated desktop itself keeps a
// record of every application that quit (about 4 KB each here, some 0.9 MiB over the run), so the
// library's own share of this is well under it.
constexpr long kMemorySlackBytes = 2L * 1024 * 1024;
// The registrations the library may hold: the four on the followed application's element and one
// on its focused element, however many applications and fields came and went.
constexpr std::size_t kRegistrationBound = 5;
constexpr std::size_t kRegisteredElementBound = 2;

constexpr ProcessId kVaultPid = 1000;
// Only the blocked field holds this letter, so no selection from it may ever reach the host.
constexpr char kSecretLetter = 'Z';

struct HostLog {
  std::set<std::string> names;
  std::uint64_t selectionEvents = 0;  // "text_select" and "caret"
  std::string fault;                  // the first malformed event
};

HostLog& hostLog() {
  static HostLog log;
  return log;
}

void onHostEvent(const char* name, const char* text) {
  HostLog& log = hostLog();
  if (!log.fault.empty()) return;
  if (name == nullptr || text == nullptr) return void(log.fault = "null event name or payload");
  const std::string event = name;
  log.names.insert(event);
  if (event == events::kCaret || event == events::kTextSelect) ++log.selectionEvents;
  if (const auto problem = eventProblem(event, text)) {
    log.fault = event + " (" + *problem + "): " + text;
  } else if ((event == events::kTextSelect || event == events::kUiResized) &&
             nlohmann::json::parse(text)
                     .value(events::key::kSelectedText, std::string())
                     .find(kSecretLetter) != std::string::npos) {
    log.fault = event + " carries text of the blocked field: " + text;
  }
}

long residentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// One of the twenty applications. A slot keeps its element ids across the processes that fill
// it, since the ids of quit applications may be used again.
struct App {
  int slot = 0;
  ProcessId pid = 0;
  std::string id(const char* element) const { return "s" + std::to_string(slot) + "." + element; }
};

// Each application's window and elements, frames at the first slot's place; the long-lived
// application alone has the blocked field (the last).
struct ElementShape {
  const char* name;
  const char* role;
  Rect frame;
  sim::TextKind text;
  const char* value;
};
using enum sim::TextKind;
const ElementShape kElementShapes[] = {
    {"window", "AXWindow", {0, 40, 640, 480}, None, ""},
    {"body", "AXTextArea", {10, 80, 600, 300}, Native, "Dear team,\nthe numbers are in. Regards"},
    {"field", "AXTextField", {10, 50, 400, 24}, Native, "Re: \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"},
    {"label", "AXStaticText", {10, 400, 300, 20}, Markers, "Read-only caption"},
    {"web", "AXTextArea", {10, 430, 600, 40}, Web, "web content with markers"},
    {"button", "AXButton", {}, None, ""},
    {"secret", "AXTextField", {10, 20, 200, 24}, Native, "ZZZZZZZZZZZZ"},
};

constexpr const char* kTextElements[] = {"body", "field", "label", "web"};
constexpr const char* kFocusable[] = {"body", "field", "label", "web", "button"};

// Handler runs for one selection in the blocked field, and requests for one selection in an
// ordinary text area, of the long-lived application.
struct Probe {
  double blockedLinesPerSelection = 0;
  std::uint64_t selectionEventsDuringBlocked = 0;
  double requestsPerSelection = 0;
  bool operator==(const Probe&) const = default;
};

class Soak {
 public:
  static sim::Desktop& desk() { return sim::Desktop::current(); }

  Soak() {
    for (int slot = 0; slot < kApplications; ++slot) {
      apps_.push_back(App{slot, slot == 0 ? kVaultPid : nextPid_++});
      addApplication(apps_.back(), /*launch=*/false);
    }
    initMacAccessibility(&onHostEvent);
    start(R"({"com.example.vault": {"name": "AXTitle", "value": "Card number"}})");
    desk().runFor(kSettle);
  }

  // One switch: another application comes forward (or a new one launches in place of one that
  // quits), then the user works in bursts with the run loop running in between.
  void switchOnce(int index) {
    if (index % kSwitchesPerReplacement == kSwitchesPerReplacement - 1) {
      App& gone = apps_[1 + pick(apps_.size() - 1)];  // never the long-lived one
      desk().terminate(gone.pid);
      gone.pid = nextPid_++;
      addApplication(gone, /*launch=*/true);
    } else {
      App* next = nullptr;
      do {
        next = &apps_[pick(apps_.size())];
      } while (desk().frontmostPid() == next->pid);
      // Every fifth application has nothing focused when it comes forward.
      if (next->pid % 5 == 0) desk().clearFocus(next->pid);
      desk().activate(next->pid);
    }
    desk().runFor(kSettle);
    for (int done = 0; done < kNotificationsPerSwitch; done += kNotificationsPerBurst) {
      for (int k = 0; k < kNotificationsPerBurst; ++k) userAction();
      desk().runFor(kBurstPause);
    }
    desk().runFor(kSettle);
    desk().clearDiagnosticLines();  // the desktop's record, not the library's memory
  }

  Probe probe() {
    const App& vault = apps_[0];
    desk().activate(vault.pid);
    desk().runFor(kSettle);
    Probe result;
    desk().focus(vault.id("secret"));
    desk().runFor(kSettle);
    desk().clearDiagnosticLines();
    const std::uint64_t selectionEventsBefore = hostLog().selectionEvents;
    selectRepeatedly(vault.id("secret"), 4, 1);
    const auto& lines = desk().diagnosticLines();
    result.blockedLinesPerSelection =
        static_cast<double>(std::count(lines.begin(), lines.end(), "blocked")) / kProbeSelections;
    result.selectionEventsDuringBlocked = hostLog().selectionEvents - selectionEventsBefore;

    desk().focus(vault.id("body"));
    desk().runFor(kSettle);
    desk().resetRequestCount();
    selectRepeatedly(vault.id("body"), 5, 2);
    result.requestsPerSelection = static_cast<double>(desk().requestCount()) / kProbeSelections;
    desk().clearDiagnosticLines();
    return result;
  }

 private:
  std::size_t pick(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
  }
  int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  void selectRepeatedly(const std::string& id, int starts, int shortest) {
    for (int k = 0; k < kProbeSelections; ++k) {
      desk().select(id, {k % starts, shortest + k % 3});
      desk().runFor(kSettle);
    }
  }

  void addApplication(const App& app, bool launch) {
    const bool vault = app.pid == kVaultPid;
    const std::string number = std::to_string(app.pid);
    const sim::AppSpec spec{.pid = app.pid,
                            .bundleId = vault ? "com.example.vault" : "com.example.app" + number,
                            .name = vault ? "Vault" : "App " + number};
    if (launch) {
      desk().launchApplication(spec, 0.1);
    } else {
      desk().addApplication(spec);
    }
    for (const ElementShape& shape : kElementShapes) {
      const bool secret = shape.name == std::string("secret");
      if (secret && !vault) continue;
      Rect frame = shape.frame;
      if (frame.width > 0) frame.x += 20.0 * app.slot;
      sim::ElementSpec element{.id = app.id(shape.name), .role = shape.role, .frame = frame};
      if (secret) element.title = "Card number";
      if (shape.role != std::string("AXWindow")) element.window = app.id("window");
      element.text = shape.text;
      element.value = shape.value;
      element.editable = shape.text != Markers;
      desk().addElement(app.pid, element);
    }
    desk().focus(app.id("body"));
  }

  const App* frontmost() const {
    const auto found = std::find_if(apps_.begin(), apps_.end(), [](const App& app) {
      return app.pid == desk().frontmostPid();
    });
    return found == apps_.end() ? nullptr : &*found;
  }

  // One focus, selection or window notification, mostly in the application in front, sometimes
  // in one behind it (which must stay unheard); now and then a field that appears, takes the
  // focus and is gone again.
  void userAction() {
    const App* front = frontmost();
    const App& app = front != nullptr && pick(10) != 0 ? *front : apps_[pick(apps_.size())];
    const std::size_t kind = pick(10);
    if (kind < 2) {
      desk().focus(app.id(kFocusable[pick(std::size(kFocusable))]));
    } else if (kind < 8) {
      const bool secret = app.pid == kVaultPid && pick(4) == 0;
      const std::string id = secret ? app.id("secret") : app.id(kTextElements[pick(4)]);
      desk().select(id, {between(0, 20), pick(3) == 0 ? 0 : between(1, 12)});
    } else if (kind < 9 && pick(4) == 0) {
      // Some applications post window notifications for the text element in the window.
      desk().postNotification(app.id(kTextElements[pick(4)]),
                              pick(2) == 0 ? "AXWindowMoved" : "AXWindowResized");
    } else if (kind < 9 && pick(3) == 0) {
      // A few ids in turn, as a dialog that opens again: the desktop keeps no record of the old.
      const std::string id = app.id("popup") + std::to_string(++popups_ % 4);
      desk().addElement(app.pid, {.id = id,
                                  .role = "AXTextField",
                                  .window = app.id("window"),
                                  .text = sim::TextKind::Native,
                                  .value = "gone soon"});
      desk().focus(id);
      desk().runFor(kBurstPause);
      desk().destroyElement(id);
    } else if (kind < 9) {
      desk().moveWindow(app.id("window"),
                        {20.0 * app.slot + between(0, 40), 40.0 + between(0, 40)});
    } else {
      desk().resizeWindow(app.id("window"), {640.0 + between(0, 80), 480.0 + between(0, 80)});
    }
  }

  std::mt19937 random_{20240611};
  std::vector<App> apps_;
  ProcessId nextPid_ = 2000;
  std::uint64_t popups_ = 0;
};

TEST(SoakTest, ManySwitchesAndNotificationsStayBoundedAndWellFormed) {
  bridge::resetProcessState();
  sim::Desktop::reset();
  sim::Desktop::current().setEchoDiagnostics(false);
  hostLog() = HostLog{};
  Soak soak;
  Probe early;
  long residentEarly = 0;
  for (int index = 0; index < kSwitches; ++index) {
    soak.switchOnce(index);
    SCOPED_TRACE("after switch " + std::to_string(index));
    ASSERT_LE(ax::registrationCount(), kRegistrationBound);
    ASSERT_LE(ax::registeredElementCount(), kRegisteredElementBound);
    ASSERT_EQ(sim::Desktop::current().liveRegistrationCount(), ax::registrationCount());
    ASSERT_EQ(hostLog().fault, "");
    if (index + 1 == kSwitches / 10) {
      early = soak.probe();
      residentEarly = residentBytes();
    }
  }
  const Probe late = soak.probe();
  const long residentLate = residentBytes();
  bridge::resetProcessState();

  // Every kind of event the session can produce did reach the host, and no other.
  EXPECT_EQ(hostLog().names,
            (std::set<std::string>{events::kAppChanged, events::kFocusedChanged, events::kCaret,
                                   events::kTextSelect, events::kUiResized}));
  // One selection in the blocked field runs the handler once per registration that hears it
  // (the application element's and the field's own), however many switches came before.
  EXPECT_EQ(early.blockedLinesPerSelection, 2.0);
  EXPECT_EQ(early.selectionEventsDuringBlocked, 0u);
  EXPECT_GT(early.requestsPerSelection, 0.0);
  EXPECT_TRUE(late == early) << late.requestsPerSelection << " requests per selection, "
                             << early.requestsPerSelection << " early";
  if (kMeasureMemory) EXPECT_LE(residentLate - residentEarly, kMemorySlackBytes);
}

}  // namespace
}  // namespace axb::testing
