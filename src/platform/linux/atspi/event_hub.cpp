#include "platform/linux/atspi/event_hub.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/linux/atspi/accessible_identity.h"
#include "platform/linux/atspi/accessible_reads.h"
#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/atspi/paragraph_flow.h"
#include "platform/linux/atspi/role_memo.h"
#include "platform/linux/atspi/run_answers.h"
#include "platform/linux/atspi/state_memo.h"
#include "platform/linux/wayland/session.h"
#include "platform/linux/wayland/sway_ipc.h"
#include "platform/linux/wayland/virtual_keyboard.h"
#include "platform/linux/x11/host_windows.h"
#include "platform/linux/x11/x11_desktop.h"

namespace axb::platform::atspi {
namespace {

// Besides these, the state changes that keep the kept states current (the focus among them).
constexpr const char* kListenedEvents[] = {
    "object:text-caret-moved", "object:text-selection-changed",
    "object:bounds-changed",   "window:activate",
    "window:create",
};
// Where neither X11 nor the compositor tells which window is active, the accessibility tree
// does: GTK 4 says so only through its windows' active state.
constexpr const char* kActivityEvents[] = {"object:state-changed:active", "window:deactivate"};

bool activityFromTree() {
  const wayland::Desktop desktop = wayland::desktop();
  return desktop == wayland::Desktop::Gnome || desktop == wayland::Desktop::OtherWayland;
}

struct HubState {
  bool attempted = false;
  bool listening = false;
  GRef<AtspiEventListener> listener;
  int nextSinkId = 1;
  struct Sink {
    int id;
    ProcessId only;  // 0: every process
    DesktopEventSink deliver;
  };
  std::vector<Sink> sinks;
  std::map<ProcessId, GRef<AtspiAccessible>> lastFocused;
  std::map<ProcessId, gint64> activatedAt;  // when a window of the process last became active
  // The process whose window the accessibility tree last said was active (Wayland sessions
  // without another source), and whether the tree was looked through for one.
  std::optional<ProcessId> activeProcess;
  bool activeScanned = false;
  // The size each window was last announced with.
  std::unordered_map<GRef<AtspiAccessible>, Size, AccessibleHash, SameAccessible> windowSizes;
  // Events waiting for the next turn of the main context; repeats of one are merged, and in a
  // storm beyond the bound the oldest are dropped: the newest tell where things stand.
  std::vector<DesktopEvent> pending;
  bool flushScheduled = false;
  guint gatherSource = 0;  // a flush a moment later, for text changes alone
  // The processes whose events were dropped: their focus is read afresh once the storm settles.
  std::set<ProcessId> overflowed;
  guint refreshSource = 0;
};

HubState& hub() {
  // Never destroyed: AT-SPI may still call the listener while the process exits.
  static HubState* const state = new HubState();
  return *state;
}

bool isWindowRole(AtspiRole role) {
  return role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_DIALOG ||
         role == ATSPI_ROLE_ALERT;
}

bool sameEvent(const DesktopEvent& a, const DesktopEvent& b) {
  if (a.kind != b.kind || a.pid != b.pid) return false;
  if (!a.source || !b.source) return !a.source && !b.source;
  return sameAccessible(a.source.get(), b.source.get());
}

void flush() {
  HubState& state = hub();
  state.flushScheduled = false;
  if (state.gatherSource) g_source_remove(std::exchange(state.gatherSource, 0));
  // A click that made these changes came first: it reaches the core before them.
  x11::handOnPressesNow();
  std::vector<DesktopEvent> events = std::move(state.pending);
  state.pending.clear();
  for (const DesktopEvent& event : events) {
    // Every registration that hears the event asks about the same moment.
    const RunScope run;
    // A word processor's paragraphs take the focus in turn as the caret goes through them: the
    // focus stays in the document. Asked here, not while the event is dispatched.
    if (event.kind == DesktopEventKind::FocusGained && event.previous &&
        inOneDocument(event.previous.get(), event.source.get())) {
      continue;
    }
    // A snapshot of the ids: a sink may add or remove sinks (its own included) while it runs.
    std::vector<int> ids;
    for (const auto& sink : state.sinks) {
      if (sink.only == 0 || sink.only == event.pid) ids.push_back(sink.id);
    }
    for (const int id : ids) {
      DesktopEventSink sink;
      for (const auto& registered : state.sinks) {
        if (registered.id == id) sink = registered.deliver;
      }
      if (sink) sink(event);
    }
  }
}

// How long a text change waits for the other signal of its pair.
constexpr guint kTextGatherMilliseconds = 15;
// Events waiting at once: more than a turn's worth of real changes.
constexpr std::size_t kMostPending = 256;
// How long a storm must have been quiet before the focus it left is read.
constexpr guint kStormSettledMilliseconds = 100;

bool isPending(const DesktopEvent& event) {
  for (const DesktopEvent& waiting : hub().pending) {
    if (sameEvent(waiting, event)) return true;
  }
  return false;
}

void post(DesktopEvent event);
bool activationPending(ProcessId pid);

// What the dropped events would have told: the application in front, and the focus in each
// process that lost events, as they are now.
void refreshAfterStorm() {
  HubState& state = hub();
  state.refreshSource = 0;
  const std::set<ProcessId> processes = std::exchange(state.overflowed, {});
  post({DesktopEventKind::WindowActivated, 0, {}});
  for (const ProcessId pid : processes) {
    if (pid <= 0) continue;
    const GRef<AtspiAccessible> application = applicationOf(pid);
    if (!application) continue;
    Answer<GRef<AtspiAccessible>> focused = findFocusedDescendant(application.get());
    if (!focused.ok() || !focused.value) continue;
    state.lastFocused[pid] = focused.value;
    // A window of it becoming active reports the switch, which a focus change would replace.
    if (activationPending(pid)) continue;
    post({DesktopEventKind::FocusGained, pid, focused.value});
    // A selection made while the events of the storm were still arriving was heard for an element
    // that was not followed then: it is read again.
    post({DesktopEventKind::TextSelectionChanged, pid, std::move(focused.value)});
  }
}

void post(DesktopEvent event) {
  HubState& state = hub();
  // Applications do not all say where their focus went when a window comes to the front or
  // leaves it (GTK 4 and LibreOffice set it silently): what was kept of any element's states is
  // asked afresh.
  if (event.kind == DesktopEventKind::WindowActivated) forgetStates();
  if (isPending(event)) return;
  if (state.pending.size() >= kMostPending) {
    const ProcessId dropped = state.pending.front().pid;
    state.pending.erase(state.pending.begin());
    state.overflowed.insert(dropped);
    // Its focus is read afresh after the storm: the focus changes it reports until then are
    // superseded, and each would cost requests to an element that is likely gone.
    std::erase_if(state.pending, [dropped](const DesktopEvent& waiting) {
      return waiting.kind == DesktopEventKind::FocusGained && waiting.pid == dropped;
    });
  }
  if (!state.overflowed.empty()) {
    // Read once the storm has been quiet a while, not on every turn of it.
    if (state.refreshSource) g_source_remove(state.refreshSource);
    state.refreshSource = g_timeout_add(
        kStormSettledMilliseconds,
        [](gpointer) -> gboolean {
          refreshAfterStorm();
          return G_SOURCE_REMOVE;
        },
        nullptr);
    if (event.kind == DesktopEventKind::FocusGained && state.overflowed.count(event.pid)) return;
  }
  const bool text = event.kind == DesktopEventKind::TextSelectionChanged;
  state.pending.push_back(std::move(event));
  if (state.flushScheduled) return;
  if (text) {
    // An application announces a selection change with two signals, the caret's and the
    // selection's, which may reach this process apart: the flush waits a moment for the second,
    // so that one read answers both.
    if (state.gatherSource) return;
    state.gatherSource = g_timeout_add(
        kTextGatherMilliseconds,
        [](gpointer) -> gboolean {
          hub().gatherSource = 0;
          flush();
          return G_SOURCE_REMOVE;
        },
        nullptr);
    return;
  }
  state.flushScheduled = true;
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer) -> gboolean {
        flush();
        return G_SOURCE_REMOVE;
      },
      nullptr, nullptr);
}

// How long after a window of an application becomes active its focus and selection events are
// taken for the ones the activation brings: they may be dispatched in a later batch.
constexpr gint64 kActivationEchoMicroseconds = 150000;

bool activationPending(ProcessId pid) {
  for (const DesktopEvent& waiting : hub().pending) {
    // The display's reports name no process: whoever it brought forward is not known yet.
    if (waiting.kind == DesktopEventKind::WindowActivated &&
        (waiting.pid == pid || !waiting.source)) {
      return true;
    }
  }
  const auto activated = hub().activatedAt.find(pid);
  return activated != hub().activatedAt.end() &&
         g_get_monotonic_time() - activated->second < kActivationEchoMicroseconds;
}

// Whether the window's size differs from the one it was last announced with. A window heard of
// for the first time (as it appears, or as it first becomes active) only tells its size.
bool resized(const GRef<AtspiAccessible>& window, Size size) {
  auto& sizes = hub().windowSizes;
  const auto known = sizes.find(window);
  const bool changed = known != sizes.end() && !(known->second == size);
  // Windows come and go: the record starts afresh rather than grow without end.
  if (known == sizes.end() && sizes.size() >= 256) sizes.clear();
  sizes[window] = size;
  return changed;
}

bool starts(const char* type, std::string_view prefix) {
  return type && std::string_view(type).substr(0, prefix.size()) == prefix;
}

void onEvent(AtspiEvent* raw, void*) {
  // The event is the callback's to free.
  const GBoxed<AtspiEvent, atspi_event_get_type> event(raw);
  if (!event || !event->source) return;
  const char* type = event->type;
  GRef<AtspiAccessible> source = GRef<AtspiAccessible>::retain(event->source);
  const int detail1 = event->detail1;
  std::optional<Size> size;
  if (G_VALUE_HOLDS(&event->any_data, ATSPI_TYPE_RECT)) {
    if (const auto* rect = static_cast<const AtspiRect*>(g_value_get_boxed(&event->any_data))) {
      size = Size{static_cast<double>(rect->width), static_cast<double>(rect->height)};
    }
  }

  // What a run of requests read about it may be out of date now.
  forgetAnswers(source.get());
  if (starts(type, "object:state-changed:")) noteStateChanged(source.get(), type, detail1 != 0);
  const std::optional<ProcessId> pid = processOf(source.get());
  if (!pid) return;
  noteApplicationOf(source.get());
  HubState& state = hub();
  if (starts(type, "object:state-changed:active") || starts(type, "window:deactivate")) {
    const Answer<AtspiRole> role = roleOf(source.get());
    if (!role.ok() || !isWindowRole(role.value)) return;
    if (detail1 != 0 && starts(type, "object:state-changed:active")) {
      state.activeProcess = *pid;
      state.activatedAt[*pid] = g_get_monotonic_time();
      post({DesktopEventKind::WindowActivated, *pid, std::move(source)});
    } else if (state.activeProcess == *pid) {
      state.activeProcess.reset();
    }
    return;
  }
  if (starts(type, "object:state-changed:focused")) {
    GRef<AtspiAccessible>& last = state.lastFocused[*pid];
    if (detail1 == 0) {
      // Within the application in front, the focus went somewhere that may never say so (GTK 4's
      // search entries do not): coming back is a change. An application left behind says the
      // same of its focus, and says it again when it comes back: that is no change.
      if (last && sameAccessible(last.get(), source.get()) && wayland::frontmostProcess() == *pid) {
        last = {};
      }
      return;
    }
    const bool unchanged = last && sameAccessible(last.get(), source.get());
    GRef<AtspiAccessible> previous = std::exchange(last, source);
    // GTK announces the focus again whenever a window becomes active; the focus inside the
    // application did not change then, and a focus change would be reported in place of the
    // switch itself.
    if (unchanged || activationPending(*pid)) return;
    post({DesktopEventKind::FocusGained, *pid, std::move(source), std::move(previous)});
  } else if (starts(type, "object:text-caret-moved") ||
             starts(type, "object:text-selection-changed")) {
    // Likewise a field that selects its text when its window becomes active: the user did not
    // select anything, and the switch must not be reported as a selection.
    if (activationPending(*pid)) return;
    post({DesktopEventKind::TextSelectionChanged, *pid, std::move(source)});
  } else if (starts(type, "object:bounds-changed")) {
    const Answer<AtspiRole> role = roleOf(source.get());
    if (!role.ok() || !isWindowRole(role.value)) return;
    // GTK announces a window's bounds again whenever it lays the window out (on every
    // activation, for one): only a new size is a resize.
    if (size && !resized(source, *size)) return;
    post({DesktopEventKind::WindowResized, *pid, std::move(source)});
  } else if (starts(type, "window:activate")) {
    state.activatedAt[*pid] = g_get_monotonic_time();
    state.activeProcess = *pid;
    post({DesktopEventKind::WindowActivated, *pid, std::move(source)});
  } else if (starts(type, "window:create")) {
    post({DesktopEventKind::ApplicationAppeared, *pid, std::move(source)});
  }
}

bool followed(ProcessId pid) {
  const auto& sinks = hub().sinks;
  return std::any_of(sinks.begin(), sinks.end(),
                     [pid](const HubState::Sink& sink) { return sink.only == pid; });
}

// The window X11 saw move has no accessible: the application's active window stands for it,
// else its first window.
GRef<AtspiAccessible> windowOf(ProcessId pid) {
  const GRef<AtspiAccessible> application = applicationOf(pid);
  if (!application) return {};
  auto windows = readChildren(application.get());
  if (!windows.ok() || windows.value.empty()) return {};
  for (auto& window : windows.value) {
    const auto states = GRef<AtspiStateSet>::adopt(atspi_accessible_get_state_set(window.get()));
    if (states && atspi_state_set_contains(states.get(), ATSPI_STATE_ACTIVE)) {
      return std::move(window);
    }
  }
  return std::move(windows.value.front());
}

void registerListener() {
  HubState& state = hub();
  for (const char* type : kListenedEvents) {
    GErrorSlot error;
    atspi_event_listener_register(state.listener.get(), type, error.out());
  }
  for (const char* type : kKeptStateEvents) {
    GErrorSlot error;
    atspi_event_listener_register(state.listener.get(), type, error.out());
  }
  if (!activityFromTree()) return;
  for (const char* type : kActivityEvents) {
    GErrorSlot error;
    atspi_event_listener_register(state.listener.get(), type, error.out());
  }
}

void deregisterListener() {
  HubState& state = hub();
  for (const char* type : kListenedEvents) {
    GErrorSlot error;
    atspi_event_listener_deregister(state.listener.get(), type, error.out());
  }
  for (const char* type : kKeptStateEvents) {
    GErrorSlot error;
    atspi_event_listener_deregister(state.listener.get(), type, error.out());
  }
  if (!activityFromTree()) return;
  for (const char* type : kActivityEvents) {
    GErrorSlot error;
    atspi_event_listener_deregister(state.listener.get(), type, error.out());
  }
}

// The process with an active window, looked for through the whole tree (once: events keep it
// current from then on).
std::optional<ProcessId> scanForActive() {
  const auto desktop = GRef<AtspiAccessible>::adopt(atspi_get_desktop(0));
  if (!desktop) return std::nullopt;
  auto applications = readChildren(desktop.get());
  if (!applications.ok()) return std::nullopt;
  for (const auto& application : applications.value) {
    auto windows = readChildren(application.get());
    if (!windows.ok()) continue;
    for (const auto& window : windows.value) {
      const auto states = GRef<AtspiStateSet>::adopt(atspi_accessible_get_state_set(window.get()));
      if (states && atspi_state_set_contains(states.get(), ATSPI_STATE_ACTIVE)) {
        return processOf(window.get());
      }
    }
  }
  return std::nullopt;
}

// The accessibility bus came back: what was heard from the old one means nothing there, the
// listener is registered with the new registry, and the application in front is looked at again.
void reconnected() {
  HubState& state = hub();
  state.pending.clear();
  state.lastFocused.clear();
  forgetStates();
  state.activatedAt.clear();
  state.activeProcess.reset();
  state.activeScanned = false;
  registerListener();
  post({DesktopEventKind::WindowActivated, 0, {}});
}

}  // namespace

bool ensureListening() {
  HubState& state = hub();
  if (state.attempted) return state.listening;
  state.attempted = true;
  if (!ensureSession()) return false;
  // The listener receives a copy of each event and frees it.
  state.listener = GRef<AtspiEventListener>::adopt(
      atspi_event_listener_new(reinterpret_cast<AtspiEventListenerCB>(onEvent), nullptr, nullptr));
  if (!state.listener) return false;
  registerListener();
  followRestarts(deregisterListener, reconnected);
  wayland::setTreeFront(activeWindowProcess);
  if (wayland::desktop() == wayland::Desktop::Sway) {
    // Made now: the focus blip a new keyboard causes is over before the first paste.
    wayland::keyboard::prepare();
    // Every window event may change the front or move windows (tiling moves the neighbours too).
    wayland::sway::watchWindows([](ProcessId pid) {
      post({DesktopEventKind::WindowActivated, 0, {}});
      // Finding the window asks the application, which may not answer: only a process someone
      // follows is asked.
      GRef<AtspiAccessible> window =
          pid > 0 && followed(pid) ? windowOf(pid) : GRef<AtspiAccessible>();
      if (window) post({DesktopEventKind::WindowMoved, pid, std::move(window)});
    });
  } else {
    x11::watchDisplay({
        [] {
          post({DesktopEventKind::WindowActivated, 0, {}});
        },
        [](ProcessId pid) {
          // Finding the window asks the application, which may not answer: only a process
          // someone follows is asked.
          if (!followed(pid)) return;
          GRef<AtspiAccessible> window = windowOf(pid);
          if (window) post({DesktopEventKind::WindowMoved, pid, std::move(window)});
        },
    });
  }
  state.listening = true;
  return true;
}

int addSink(DesktopEventSink sink, ProcessId only) {
  HubState& state = hub();
  const int id = state.nextSinkId++;
  state.sinks.push_back({id, only, std::move(sink)});
  return id;
}

void removeSink(int id) {
  std::erase_if(hub().sinks, [id](const HubState::Sink& sink) { return sink.id == id; });
}

std::optional<ProcessId> activeWindowProcess() {
  HubState& state = hub();
  if (!state.activeProcess && !state.activeScanned) {
    state.activeScanned = true;
    state.activeProcess = scanForActive();
  }
  return state.activeProcess;
}

void noteActivated(ProcessId pid) {
  hub().activatedAt[pid] = g_get_monotonic_time();
}

void forgetFocus(ProcessId pid) {
  hub().lastFocused.erase(pid);
  hub().activatedAt.erase(pid);
}

GRef<AtspiAccessible> lastFocusedIn(ProcessId pid) {
  const auto& lastFocused = hub().lastFocused;
  const auto found = lastFocused.find(pid);
  return found == lastFocused.end() ? GRef<AtspiAccessible>() : found->second;
}

}  // namespace axb::platform::atspi
