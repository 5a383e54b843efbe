// A long, busy session on one desktop: twenty applications that keep quitting and being replaced
// by new processes, ten thousand switches between them, and a million focus, selection and window
// notifications, all on the virtual clock. The library must stay bounded (registrations, handler
// runs, memory) and every event the host receives must be well-formed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ax/observers.h"
#include "axbridge/axbridge.h"
#include "bridge/process_state.h"
#include "sim_desktop/desktop.h"
#include "soak/event_shapes.h"

namespace axb::testing {
namespace {

using nlohmann::json;

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

constexpr ProcessId kVaultPid = 1000;
constexpr char kVaultBundle[] = "com.example.vault";
// Only the blocked field holds this letter, so no selection from it may ever reach the host.
constexpr char kSecretLetter = 'Z';

// ---- What the host receives

struct HostLog {
  std::uint64_t events = 0;
  std::uint64_t selectionEvents = 0;  // "text_select" and "caret"
  std::map<std::string, std::uint64_t> byName;
  std::vector<std::string> faults;  // the first few malformed events

  void fault(const std::string& what) {
    if (faults.size() < 10) faults.push_back(what);
  }
};

HostLog& hostLog() {
  static HostLog log;
  return log;
}

void onHostEvent(const char* name, const char* text) {
  HostLog& log = hostLog();
  ++log.events;
  if (name == nullptr || text == nullptr) return log.fault("null event name or payload");
  const std::string event = name;
  ++log.byName[event];
  if (event == events::kCaret || event == events::kTextSelect) ++log.selectionEvents;
  if (const auto problem = eventProblem(event, text)) {
    return log.fault(event + " (" + *problem + "): " + text);
  }
  if (event == events::kTextSelect || event == events::kUiResized) {
    const auto selected = json::parse(text).value(events::key::kSelectedText, std::string());
    if (selected.find(kSecretLetter) != std::string::npos) {
      log.fault(event + " carries text of the blocked field: " + text);
    }
  }
}

// ---- The desktop

// Resident memory of this process in bytes.
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

// Each application's window and elements, frames at the first slot's place.
struct ElementShape {
  const char* name;
  const char* role;
  Rect frame;
  sim::TextKind text;
  const char* value;
  const char* title = nullptr;
};
using enum sim::TextKind;
const ElementShape kElementShapes[] = {
    {"window", "AXWindow", {0, 40, 640, 480}, None, ""},
    {"body", "AXTextArea", {10, 80, 600, 300}, Native, "Dear team,\nthe numbers are in. Regards"},
    {"field", "AXTextField", {10, 50, 400, 24}, Native, "Re: \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"},
    {"label", "AXStaticText", {10, 400, 300, 20}, Markers, "Read-only caption"},
    {"web", "AXTextArea", {10, 430, 600, 40}, Web, "web content with markers"},
    {"button", "AXButton", {}, None, ""},
    {"secret", "AXTextField", {10, 20, 200, 24}, Native, "ZZZZZZZZZZZZ", "Card number"},
};

constexpr const char* kTextElements[] = {"body", "field", "label", "web"};
constexpr const char* kFocusable[] = {"body", "field", "label", "web", "button"};

class Soak {
 public:
  Soak() : random_(20240611) {}

  static sim::Desktop& desk() { return sim::Desktop::current(); }

  void setUp() {
    apps_.push_back(App{0, kVaultPid});
    addApplication(apps_[0], /*launch=*/false);
    for (int slot = 1; slot < kApplications; ++slot) {
      apps_.push_back(App{slot, nextPid_++});
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
      replaceAnApplication();
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
    notifications_ += kNotificationsPerSwitch;
    desk().runFor(kSettle);
    blockedLines_ += std::count(desk().diagnosticLines().begin(), desk().diagnosticLines().end(),
                                std::string("blocked"));
    desk().clearDiagnosticLines();  // the desktop's record, not the library's memory
  }

  // The registrations the library may hold: the four on the followed application's element and
  // one on its focused element, however many applications and fields came and went.
  static constexpr std::size_t registrationBound() { return 5; }
  static constexpr std::size_t registeredElementBound() { return 2; }

  // Handler runs for one selection in the blocked field, and requests for one selection in an
  // ordinary text area, of the long-lived application.
  struct Probe {
    double blockedLinesPerSelection = 0;
    double requestsPerSelection = 0;
    std::uint64_t selectionEventsDuringBlocked = 0;
  };
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
        static_cast<double>(std::count(lines.begin(), lines.end(), std::string("blocked"))) /
        kProbeSelections;
    result.selectionEventsDuringBlocked = hostLog().selectionEvents - selectionEventsBefore;

    desk().focus(vault.id("body"));
    desk().runFor(kSettle);
    desk().resetRequestCount();
    selectRepeatedly(vault.id("body"), 5, 2);
    result.requestsPerSelection = static_cast<double>(desk().requestCount()) / kProbeSelections;
    desk().clearDiagnosticLines();
    return result;
  }

  std::uint64_t notifications() const { return notifications_; }
  std::uint64_t launches() const { return launches_; }
  std::uint64_t blockedLines() const { return blockedLines_; }

 private:
  std::size_t pick(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
  }
  void selectRepeatedly(const std::string& id, int starts, int shortest) {
    for (int k = 0; k < kProbeSelections; ++k) {
      desk().select(id, {k % starts, shortest + k % 3});
      desk().runFor(kSettle);
    }
  }
  int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  void addApplication(const App& app, bool launch) {
    const bool vault = app.pid == kVaultPid;
    const sim::AppSpec spec{
        .pid = app.pid,
        .bundleId = vault ? std::string(kVaultBundle) : "com.example.app" + std::to_string(app.pid),
        .name = vault ? std::string("Vault") : "App " + std::to_string(app.pid)};
    if (launch) {
      desk().launchApplication(spec, 0.1);
    } else {
      desk().addApplication(spec);
    }
    // The long-lived application also has the blocked field (its seventh element).
    for (const ElementShape& shape : kElementShapes) {
      if (shape.title != nullptr && !vault) continue;
      const bool window = shape.role == std::string("AXWindow");
      Rect frame = shape.frame;
      if (frame.width > 0) frame.x += 20.0 * app.slot;
      sim::ElementSpec element{.id = app.id(shape.name), .role = shape.role, .frame = frame};
      if (shape.title != nullptr) element.title = shape.title;
      if (!window) element.window = app.id("window");
      element.text = shape.text;
      element.value = shape.value;
      element.editable = shape.text != Markers;
      desk().addElement(app.pid, element);
    }
    desk().focus(app.id("body"));
  }

  void replaceAnApplication() {
    App& gone = apps_[1 + pick(apps_.size() - 1)];  // never the long-lived one
    desk().terminate(gone.pid);
    gone.pid = nextPid_++;
    addApplication(gone, /*launch=*/true);
    ++launches_;
  }

  const App* frontmost() const {
    const auto pid = desk().frontmostPid();
    for (const App& app : apps_) {
      if (pid == app.pid) return &app;
    }
    return nullptr;
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

  std::mt19937 random_;
  std::vector<App> apps_;
  ProcessId nextPid_ = 2000;
  std::uint64_t notifications_ = 0;
  std::uint64_t popups_ = 0;
  std::uint64_t launches_ = 0;
  std::uint64_t blockedLines_ = 0;
};

class SoakTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bridge::resetProcessState();
    sim::Desktop::reset();
    sim::Desktop::current().setEchoDiagnostics(false);
    hostLog() = HostLog{};
  }
  void TearDown() override { bridge::resetProcessState(); }
};

TEST_F(SoakTest, ManySwitchesAndNotificationsStayBoundedAndWellFormed) {
  Soak soak;
  soak.setUp();
  auto& desk = sim::Desktop::current();

  std::optional<Soak::Probe> early;
  long residentEarly = 0;
  std::size_t mostRegistrations = 0;
  for (int index = 0; index < kSwitches; ++index) {
    soak.switchOnce(index);

    const std::size_t library = ax::registrationCount();
    const std::size_t platform = desk.liveRegistrationCount();
    mostRegistrations = std::max(mostRegistrations, library);
    ASSERT_LE(library, soak.registrationBound()) << "after switch " << index;
    ASSERT_LE(ax::registeredElementCount(), soak.registeredElementBound())
        << "after switch " << index;
    ASSERT_EQ(platform, library) << "after switch " << index;
    ASSERT_TRUE(hostLog().faults.empty())
        << "after switch " << index << ": " << hostLog().faults.front();

    if (index + 1 == kSwitches / 10) {
      early = soak.probe();
      residentEarly = residentBytes();
    }
  }
  const Soak::Probe late = soak.probe();
  const long residentLate = residentBytes();

  std::printf("soak: %d switches, %" PRIu64 " launches, %" PRIu64 " notifications, %" PRIu64
              " events delivered, %" PRIu64
              " blocked lines, at most %zu registrations (bound %zu), "
              "%.0f s virtual\n",
              kSwitches, soak.launches(), soak.notifications(), hostLog().events,
              soak.blockedLines(), mostRegistrations, soak.registrationBound(), desk.now());
  std::printf("soak: resident memory %.2f MiB after the first tenth, %.2f MiB at the end\n",
              residentEarly / 1048576.0, residentLate / 1048576.0);

  EXPECT_EQ(soak.notifications(), static_cast<std::uint64_t>(kSwitches) * kNotificationsPerSwitch);
  EXPECT_GT(soak.launches(), 0u);
  EXPECT_TRUE(hostLog().faults.empty()) << hostLog().faults.front();
  // Every kind of event the session can produce did reach the host.
  for (const char* name : {events::kAppChanged, events::kFocusedChanged, events::kCaret,
                           events::kTextSelect, events::kUiResized}) {
    EXPECT_GT(hostLog().byName[name], 0u) << name;
  }
  EXPECT_EQ(hostLog().byName.size(), 5u);
  EXPECT_GT(soak.blockedLines(), 0u);

  // One selection in the blocked field runs the handler once per registration that hears it
  // (the application element's and the field's own), however many switches came before.
  ASSERT_TRUE(early.has_value());
  EXPECT_EQ(early->blockedLinesPerSelection, 2.0);
  EXPECT_EQ(late.blockedLinesPerSelection, early->blockedLinesPerSelection);
  EXPECT_EQ(early->selectionEventsDuringBlocked, 0u);
  EXPECT_EQ(late.selectionEventsDuringBlocked, 0u);
  EXPECT_GT(early->requestsPerSelection, 0.0);
  EXPECT_EQ(late.requestsPerSelection, early->requestsPerSelection);

  if (kMeasureMemory) {
    EXPECT_LE(residentLate - residentEarly, kMemorySlackBytes);
  }
}

}  // namespace
}  // namespace axb::testing
