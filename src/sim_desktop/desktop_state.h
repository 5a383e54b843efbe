// The simulated desktop's state and the helpers its source files share. Not part of the control
// surface: tests and the scenario player use desktop.h.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim_desktop/app_record.h"
#include "sim_desktop/desktop.h"
#include "sim_desktop/element_node.h"
#include "sim_desktop/host_window_node.h"
#include "sim_desktop/observer_node.h"
#include "sim_desktop/subscription_node.h"

namespace axb::sim {

// Virtual time is kept in whole nanoseconds so that sums of short delays stay exact.
using Nanos = std::int64_t;
// Durations and instants from seconds; negative and NaN become 0, huge values are capped.
Nanos secondsToNanos(double seconds);
double nanosToSeconds(Nanos nanos);

constexpr unsigned modeBit(RunLoopMode mode) {
  return 1u << static_cast<unsigned>(mode);
}
inline constexpr unsigned kCommonModes = modeBit(RunLoopMode::Default) |
                                         modeBit(RunLoopMode::EventTracking) |
                                         modeBit(RunLoopMode::ModalPanel);

inline constexpr ProcessId kDefaultHostPid = 4242;

// Items run in order of (due time, insertion sequence).
using ScheduleKey = std::pair<Nanos, std::uint64_t>;

struct MainThreadWork {
  unsigned modes = 0;
  std::function<void()> work;
};

struct Desktop::State {
  State();
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // The latest application record for the pid (a quit one included), or null.
  std::shared_ptr<AppRecord> findApp(ProcessId pid) const;
  // The application with that pid that has not quit, or null.
  std::shared_ptr<AppRecord> liveApp(ProcessId pid) const;
  std::shared_ptr<ElementNode> findElement(std::string_view id) const;
  // Throws std::out_of_range for an unknown id.
  const std::shared_ptr<ElementNode>& requireElement(std::string_view id) const;
  ScheduleKey nextKey(Nanos due) { return {due, nextSequence++}; }

  // Clock and run loop.
  const std::uint64_t serial;  // tells this desktop from earlier ones, for stale timer handles
  Nanos now = 0;
  std::uint64_t nextSequence = 0;
  std::map<ScheduleKey, MainThreadWork> mainWork;
  std::map<ScheduleKey, std::function<void()>> worldWork;
  std::optional<RunLoopMode> runningMode;
  std::optional<std::uint64_t> runItemsLeft;  // nothing: no cap
  bool runLimitReached = false;

  // Applications and elements.
  std::vector<std::shared_ptr<AppRecord>> apps;                        // in the order they appeared
  std::map<ProcessId, std::shared_ptr<ElementNode>> detachedAppNodes;  // pids with no app yet
  std::map<std::string, std::shared_ptr<ElementNode>, std::less<>> elements;
  std::optional<ProcessId> frontmost;
  std::optional<ProcessId> workspaceFrontmost;  // as of the last turn of the main run loop
  ProcessId hostPid = kDefaultHostPid;

  bool trusted = true;
  int promptCount = 0;

  std::vector<std::weak_ptr<ObserverNode>> observers;
  std::vector<std::weak_ptr<SubscriptionNode>> subscriptions;

  std::int64_t pasteboardChangeCount = 0;
  std::vector<platform::PasteboardItem> pasteboardItems;
  bool pasteboardThisDeviceOnly = false;
  Desktop::PasteboardReads pasteboardReads = Desktop::PasteboardReads::Allowed;
  std::function<void()> pasteboardReadHook;
  int pasteboardWritesToRefuse = 0;
  std::vector<PostedKeyEvent> keyEvents;

  std::vector<std::shared_ptr<platform::HostWindow::Impl>> hostWindows;  // closed ones too
  Point pointer;
  std::vector<std::weak_ptr<MouseDownMonitorNode>> mouseDownMonitors;

  std::vector<std::string> diagnostics;
  bool echoDiagnostics = true;
  std::function<void(std::string_view)> diagnosticSink;

  std::uint64_t requestCount = 0;
  std::function<void(const RequestInfo&)> requestHook;
  bool inRequestHook = false;
};

// The node behind an element object, or null when the object is not a simulated element.
std::shared_ptr<ElementNode> nodeOf(const platform::Object& object);
platform::Element elementOf(const std::shared_ptr<ElementNode>& node);

// A request about one element: the desktop's request checks, then the node's own existence.
platform::AXErrorCode beginElementRequest(Desktop& desktop, const char* operation,
                                          const std::shared_ptr<ElementNode>& node,
                                          std::string_view attribute);

// Queues the notification for every observer registration that hears it.
void postElementNotification(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                             const std::string& notification);

void addSubscription(Desktop& desktop, std::shared_ptr<SubscriptionNode> subscription);

// Whether the application is hung at this moment.
bool isHung(const Desktop& desktop, const AppRecord& app);

// The frontmost application handles the keystroke a moment from now (or holds it while hung).
void scheduleKeyHandling(Desktop& desktop, const PostedKeyEvent& event);

// The library touches the element: it gets the library's messaging timeout.
void limitMessagingTime(const std::shared_ptr<ElementNode>& node);

// The library asks the application to come forward (RunningApplication::activate).
bool requestActivation(Desktop& desktop, const std::shared_ptr<AppRecord>& record);
platform::RunningApplication runningApplicationFor(std::shared_ptr<AppRecord> record);

// Text edits as the application makes them, with the notifications it posts.
bool acceptsTyping(const ElementNode& node);
void replaceSelectedText(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                         std::string_view inserted);
void replaceWholeText(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                      std::string_view text);
void changeSelection(Desktop& desktop, const std::shared_ptr<ElementNode>& node, Range range);

}  // namespace axb::sim
