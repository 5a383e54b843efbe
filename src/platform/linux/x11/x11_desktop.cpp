#include "platform/linux/x11/x11_desktop.h"

#include <glib.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/linux/x11/connection_watch.h"
#include "platform/linux/x11/frame_extents.h"
#include "platform/linux/x11/xcb_handles.h"

namespace axb::platform::x11 {
namespace {

// Events read in one turn of the main context, and the windows whose moves wait for the end of
// the turn (each once): a client that creates, moves and destroys thousands of windows a second
// costs a few requests per turn, not per event.
constexpr int kEventsPerTurn = 1024;
constexpr std::size_t kMostConfiguredWindows = 64;
constexpr std::size_t kMostPlacedWindows = 1024;

struct Atoms {
  xcb_atom_t activeWindow = XCB_ATOM_NONE;
  xcb_atom_t wmPid = XCB_ATOM_NONE;
  xcb_atom_t supportingWmCheck = XCB_ATOM_NONE;
  xcb_atom_t applicationId = XCB_ATOM_NONE;
  xcb_atom_t utf8String = XCB_ATOM_NONE;
  xcb_atom_t frameExtents = XCB_ATOM_NONE;
};

struct Display {
  x11::Connection connection;
  xcb_window_t root = XCB_WINDOW_NONE;
  Atoms atoms;
  DisplayWatch watch;
  bool watching = false;
  // What the events read this turn said, for delivery at its end.
  bool activeWindowChanged = false;
  std::vector<xcb_window_t> configured;
  // Where each top-level window was last placed: a window raised or lowered is configured
  // again without moving.
  std::unordered_map<xcb_window_t, std::array<int, 4>> placed;
  bool turnScheduled = false;
};

// Opened on first use and kept: the main context's source reads from it for the process's life.
Display* display() {
  static Display* const instance = []() -> Display* {
    std::optional<x11::DisplayConnection> connected = x11::connectToDisplay();
    if (!connected) return nullptr;
    auto* opened = new Display();
    opened->connection = std::move(connected->connection);
    opened->root = connected->root;
    xcb_connection_t* raw = opened->connection.get();
    const auto intern = [raw](const char* name) {
      const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
          raw, xcb_intern_atom(raw, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
          nullptr));
      return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    };
    opened->atoms.activeWindow = intern("_NET_ACTIVE_WINDOW");
    opened->atoms.wmPid = intern("_NET_WM_PID");
    opened->atoms.supportingWmCheck = intern("_NET_SUPPORTING_WM_CHECK");
    opened->atoms.applicationId = intern("_GTK_APPLICATION_ID");
    opened->atoms.utf8String = intern("UTF8_STRING");
    opened->atoms.frameExtents = intern("_GTK_FRAME_EXTENTS");
    return opened;
  }();
  return instance && instance->root != XCB_WINDOW_NONE ? instance : nullptr;
}

Reply<xcb_get_property_reply_t> property(Display& d, xcb_window_t window, xcb_atom_t name,
                                         xcb_atom_t type, std::uint32_t length = 1024) {
  if (window == XCB_WINDOW_NONE || name == XCB_ATOM_NONE) return nullptr;
  xcb_connection_t* c = d.connection.get();
  Reply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, length), nullptr));
  if (!reply || reply->type == XCB_ATOM_NONE) return nullptr;
  return reply;
}

std::optional<std::uint32_t> cardinal(Display& d, xcb_window_t window, xcb_atom_t name,
                                      xcb_atom_t type) {
  const auto reply = property(d, window, name, type, 1);
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) {
    return std::nullopt;
  }
  return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

std::optional<std::string> text(Display& d, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
  const auto reply = property(d, window, name, type);
  if (!reply || reply->format != 8) return std::nullopt;
  const int length = xcb_get_property_value_length(reply.get());
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     static_cast<std::size_t>(length));
}

std::optional<ProcessId> ownerOf(Display& d, xcb_window_t window) {
  const auto pid = cardinal(d, window, d.atoms.wmPid, XCB_ATOM_CARDINAL);
  if (!pid || *pid == 0 || *pid > 0x7fffffff) return std::nullopt;
  return static_cast<ProcessId>(*pid);
}

std::vector<xcb_window_t> childrenOf(Display& d, xcb_window_t window) {
  xcb_connection_t* c = d.connection.get();
  const Reply<xcb_query_tree_reply_t> reply(
      xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
  if (!reply) return {};
  const xcb_window_t* children = xcb_query_tree_children(reply.get());
  return std::vector<xcb_window_t>(children,
                                   children + xcb_query_tree_children_length(reply.get()));
}

xcb_window_t parentOf(Display& d, xcb_window_t window) {
  xcb_connection_t* c = d.connection.get();
  const Reply<xcb_query_tree_reply_t> reply(
      xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
  return reply ? reply->parent : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

bool viewable(Display& d, xcb_window_t window) {
  xcb_connection_t* c = d.connection.get();
  const Reply<xcb_get_window_attributes_reply_t> reply(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
  return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

// The process owning a top-level window: its own _NET_WM_PID, or that of the client inside a
// window manager's frame.
std::optional<ProcessId> ownerOfTopLevel(Display& d, xcb_window_t window) {
  if (const auto pid = ownerOf(d, window)) return pid;
  for (const xcb_window_t child : childrenOf(d, window)) {
    if (const auto pid = ownerOf(d, child)) return pid;
  }
  return std::nullopt;
}

// The process's client windows, viewable ones first, front-most (last in stacking order) first.
std::vector<xcb_window_t> windowsOf(Display& d, ProcessId pid) {
  std::vector<xcb_window_t> shown;
  std::vector<xcb_window_t> hidden;
  const std::vector<xcb_window_t> topLevels = childrenOf(d, d.root);
  for (auto top = topLevels.rbegin(); top != topLevels.rend(); ++top) {
    std::vector<xcb_window_t> candidates{*top};
    for (const xcb_window_t child : childrenOf(d, *top)) candidates.push_back(child);
    for (const xcb_window_t window : candidates) {
      if (ownerOf(d, window) != pid) continue;
      (viewable(d, *top) ? shown : hidden).push_back(window);
      break;
    }
  }
  shown.insert(shown.end(), hidden.begin(), hidden.end());
  return shown;
}

bool windowManagerRuns(Display& d) {
  const auto check = cardinal(d, d.root, d.atoms.supportingWmCheck, XCB_ATOM_WINDOW);
  return check && *check != XCB_WINDOW_NONE;
}

// Notes what the event says; nothing is asked of the server here.
void handle(Display& d, const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
      const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
      if (notify.window == d.root && notify.atom == d.atoms.activeWindow) {
        d.activeWindowChanged = true;
      }
      break;
    }
    case XCB_CONFIGURE_NOTIFY: {
      const auto& notify = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
      if (notify.event != d.root) break;
      const std::array<int, 4> place{notify.x, notify.y, notify.width, notify.height};
      const auto known = d.placed.find(notify.window);
      if (known != d.placed.end() && known->second == place) break;
      // Windows come and go: the record starts afresh rather than grow without end.
      if (known == d.placed.end() && d.placed.size() >= kMostPlacedWindows) d.placed.clear();
      d.placed[notify.window] = place;
      const bool noted =
          std::find(d.configured.begin(), d.configured.end(), notify.window) != d.configured.end();
      // Beyond the bound a storm's windows are let go: their moves are not the user's.
      if (!noted && d.configured.size() < kMostConfiguredWindows) {
        d.configured.push_back(notify.window);
      }
      break;
    }
    case XCB_DESTROY_NOTIFY: {
      // A window gone before the turn ends moved nowhere that matters.
      const auto& notify = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
      std::erase(d.configured, notify.window);
      d.placed.erase(notify.window);
      break;
    }
    case XCB_FOCUS_IN:
    case XCB_FOCUS_OUT:
      d.activeWindowChanged = true;
      break;
    default:
      break;
  }
}

// Tells the watcher what the turn's events said: the front changed once, each process whose
// window moved once.
void deliver(Display& d) {
  const bool activeWindowChanged = std::exchange(d.activeWindowChanged, false);
  const std::vector<xcb_window_t> configured = std::exchange(d.configured, {});
  if (activeWindowChanged && d.watch.activeWindowChanged) d.watch.activeWindowChanged();
  if (!d.watch.windowConfigured) return;
  std::vector<ProcessId> processes;
  for (const xcb_window_t window : configured) {
    const auto pid = ownerOfTopLevel(d, window);
    if (pid && std::find(processes.begin(), processes.end(), *pid) == processes.end()) {
      processes.push_back(*pid);
    }
  }
  for (const ProcessId pid : processes) d.watch.windowConfigured(pid);
}

void readEvents();

// Events that arrive during a request wait in xcb's queue without the socket becoming readable
// again, as do those beyond a turn's batch: they are read on the next turn of the main context.
void readQueuedSoon() {
  Display* d = display();
  if (!d || d->turnScheduled) return;
  d->turnScheduled = true;
  g_idle_add(
      [](gpointer) -> gboolean {
        if (Display* next = display()) next->turnScheduled = false;
        readEvents();
        return G_SOURCE_REMOVE;
      },
      nullptr);
}

// Reads one batch of events, then delivers what they said.
void readEvents() {
  Display* d = display();
  if (!d) return;
  xcb_connection_t* c = d->connection.get();
  int read = 0;
  for (; read < kEventsPerTurn; ++read) {
    const Event event(xcb_poll_for_event(c));
    if (!event) break;
    handle(*d, *event);
  }
  deliver(*d);
  if (xcb_connection_has_error(c)) return;
  if (read == kEventsPerTurn) readQueuedSoon();
  // Delivering waited for replies: events that came meanwhile are queued.
  if (xcb_generic_event_t* queued = xcb_poll_for_queued_event(c)) {
    const Event event(queued);
    handle(*d, *event);
    readQueuedSoon();
  }
}

}  // namespace

std::optional<ProcessId> frontmostProcess() {
  Display* d = display();
  if (!d) return std::nullopt;
  std::optional<ProcessId> pid;
  if (windowManagerRuns(*d)) {
    const auto active = cardinal(*d, d->root, d->atoms.activeWindow, XCB_ATOM_WINDOW);
    if (active && *active != XCB_WINDOW_NONE) pid = ownerOfTopLevel(*d, *active);
  } else {
    xcb_connection_t* c = d->connection.get();
    const Reply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    // PointerRoot (1) and None are no window of anyone's.
    for (xcb_window_t window = focus ? focus->focus : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
         window != XCB_WINDOW_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT && window != d->root;
         window = parentOf(*d, window)) {
      if ((pid = ownerOf(*d, window))) break;
    }
  }
  if (d->watching) readQueuedSoon();
  return pid;
}

bool activateProcess(ProcessId pid) {
  Display* d = display();
  if (!d || pid <= 0) return false;
  const std::vector<xcb_window_t> windows = windowsOf(*d, pid);
  if (windows.empty()) return false;
  const xcb_window_t window = windows.front();
  xcb_connection_t* c = d->connection.get();
  if (windowManagerRuns(*d)) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = d->atoms.activeWindow;
    message.data.data32[0] = 2;  // the request comes from a pager-like tool, not the application
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, d->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
  } else {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
  }
  // Checked round trip: the request has reached the server when this returns.
  const Reply<xcb_get_input_focus_reply_t> sync(
      xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  if (d->watching) readQueuedSoon();
  return !xcb_connection_has_error(c);
}

bool hasWindowOf(ProcessId pid) {
  Display* d = display();
  return d && pid > 0 && !windowsOf(*d, pid).empty();
}

std::optional<std::string> windowClassOf(ProcessId pid) {
  Display* d = display();
  if (!d) return std::nullopt;
  for (const xcb_window_t window : windowsOf(*d, pid)) {
    // WM_CLASS holds the instance name and the class name, each ending with a NUL.
    const auto value = text(*d, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    if (!value) continue;
    const std::size_t split = value->find('\0');
    if (split == std::string::npos) continue;
    std::string className = value->substr(split + 1);
    if (const std::size_t end = className.find('\0'); end != std::string::npos) {
      className.resize(end);
    }
    if (!className.empty()) return className;
  }
  return std::nullopt;
}

std::optional<std::string> applicationIdOf(ProcessId pid) {
  Display* d = display();
  if (!d) return std::nullopt;
  for (const xcb_window_t window : windowsOf(*d, pid)) {
    auto value = text(*d, window, d->atoms.applicationId, d->atoms.utf8String);
    if (value && !value->empty()) return value;
  }
  return std::nullopt;
}

std::optional<Point> contentOriginOf(ProcessId pid) {
  Display* d = display();
  if (!d || pid <= 0) return std::nullopt;
  xcb_window_t window = XCB_WINDOW_NONE;
  if (const auto active = cardinal(*d, d->root, d->atoms.activeWindow, XCB_ATOM_WINDOW);
      active && *active != XCB_WINDOW_NONE) {
    // A window manager's frame holds the client window, which carries the process id.
    std::vector<xcb_window_t> candidates{*active};
    for (const xcb_window_t child : childrenOf(*d, *active)) candidates.push_back(child);
    for (const xcb_window_t candidate : candidates) {
      if (ownerOf(*d, candidate) == pid) {
        window = candidate;
        break;
      }
    }
  }
  if (window == XCB_WINDOW_NONE) {
    const std::vector<xcb_window_t> windows = windowsOf(*d, pid);
    if (windows.empty()) return std::nullopt;
    window = windows.front();
  }
  xcb_connection_t* c = d->connection.get();
  const Reply<xcb_translate_coordinates_reply_t> position(xcb_translate_coordinates_reply(
      c, xcb_translate_coordinates(c, window, d->root, 0, 0), nullptr));
  if (!position) return std::nullopt;
  FrameExtents frame;
  if (const auto reply = property(*d, window, d->atoms.frameExtents, XCB_ATOM_CARDINAL, 4);
      reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 16) {
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    frame = FrameExtents{values[0], values[1], values[2], values[3]};
  }
  return contentOrigin(
      Point{static_cast<double>(position->dst_x), static_cast<double>(position->dst_y)}, frame);
}

bool watchDisplay(DisplayWatch watch) {
  Display* d = display();
  if (!d) return false;
  d->watch = std::move(watch);
  if (d->watching) return true;
  d->watching = true;
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                             XCB_EVENT_MASK_FOCUS_CHANGE;
  xcb_change_window_attributes(d->connection.get(), d->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(d->connection.get());
  watchConnection(d->connection.get(), readEvents);
  return true;
}

}  // namespace axb::platform::x11
