#include "platform/linux/x11/host_windows.h"

#include <glib.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>  // xcb_poll_for_reply: answers taken without waiting
#include <xcb/xinput.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "platform/linux/x11/connection_watch.h"
#include "platform/linux/x11/xcb_handles.h"

namespace axb::platform::x11 {
namespace {

// XIDs have 29 bits; anything larger is not a window id, whatever the server would say.
constexpr std::uintptr_t kLargestId = 0x1fffffff;

// Raw mouse buttons that count as a mouse-down: left and right, as the macOS monitor's mask has
// it. Wheel steps arrive as buttons 4 to 7 and are no click.
bool countsAsMouseDown(std::uint32_t button) {
  return button == 1 || button == 3;
}

struct PositionQuery {
  std::weak_ptr<WatchedWindow> window;
  unsigned int sequence = 0;
};

struct Display {
  x11::Connection connection;
  xcb_window_t root = XCB_WINDOW_NONE;
  std::uint8_t inputOpcode = 0;
  std::uint32_t selected = 0;  // the raw events selected on the root window
  std::vector<std::weak_ptr<WatchedWindow>> windows;
  std::vector<std::shared_ptr<MouseDownListener>> listeners;
  // The pointer is asked where it is once per burst of motion: one question per tracked window
  // in flight at a time, never waited for.
  std::vector<PositionQuery> inFlight;
  bool lookAgain = false;
  // Mouse-downs are handed on once the pointer position they happened at is known, so that
  // a click right after a move counts where it happened.
  int pressesAnswered = 0;  // by the questions in flight
  int pressesWaiting = 0;   // for the next questions
  std::uint64_t wakeUps = 0;
};

void onReadable();

bool monitored = false;  // whether mouse-downs were ever watched

Display* display() {
  static Display* const instance = []() -> Display* {
    std::optional<x11::DisplayConnection> connected = x11::connectToDisplay();
    if (!connected) return nullptr;
    xcb_connection_t* raw = connected->connection.get();
    const xcb_query_extension_reply_t* input = xcb_get_extension_data(raw, &xcb_input_id);
    if (!input || !input->present) return nullptr;
    // Raw events on the root window reach every client that selects them from XInput 2.1 on;
    // 2.2 is what the server is told this client speaks.
    const Reply<xcb_input_xi_query_version_reply_t> version(
        xcb_input_xi_query_version_reply(raw, xcb_input_xi_query_version(raw, 2, 2), nullptr));
    if (!version || version->major_version < 2 ||
        (version->major_version == 2 && version->minor_version < 1)) {
      return nullptr;
    }
    auto* opened = new Display();
    opened->connection = std::move(connected->connection);
    opened->root = connected->root;
    opened->inputOpcode = input->major_opcode;
    watchConnection(raw, onReadable);
    return opened;
  }();
  return instance;
}

bool tracksPointer(const WatchedWindow& window) {
  if (window.destroyed) return false;
  return std::any_of(window.areas.begin(), window.areas.end(),
                     [](const auto& area) { return area->owner != nullptr; });
}

std::vector<std::shared_ptr<WatchedWindow>> liveWindows(Display& d) {
  std::vector<std::shared_ptr<WatchedWindow>> live;
  for (const auto& weak : d.windows) {
    if (auto window = weak.lock()) live.push_back(std::move(window));
  }
  return live;
}

// Raw motion while some area listens, raw presses while some monitor does; nothing otherwise, so
// that nobody's pointer wakes the host up for nothing.
void updateSelection(Display& d) {
  std::uint32_t wanted = 0;
  for (const auto& weak : d.windows) {
    const auto window = weak.lock();
    if (window && tracksPointer(*window)) wanted |= XCB_INPUT_XI_EVENT_MASK_RAW_MOTION;
  }
  if (!d.listeners.empty()) wanted |= XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS;
  if (wanted == d.selected) return;
  struct {
    xcb_input_event_mask_t head;
    std::uint32_t bits;
  } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, wanted};
  xcb_input_xi_select_events(d.connection.get(), d.root, 1, &mask.head);
  xcb_flush(d.connection.get());
  d.selected = wanted;
}

void deliverPresses(Display& d, int presses) {
  for (int i = 0; i < presses; ++i) {
    const std::vector<std::shared_ptr<MouseDownListener>> listeners = d.listeners;
    for (const auto& listener : listeners) {
      if (listener->alive && listener->handler) listener->handler();
    }
  }
}

void startQuestions(Display& d) {
  d.lookAgain = false;
  d.pressesAnswered = std::exchange(d.pressesWaiting, 0);
  xcb_connection_t* c = d.connection.get();
  for (const auto& window : liveWindows(d)) {
    if (!tracksPointer(*window)) continue;
    d.inFlight.push_back({window, xcb_query_pointer(c, window->id).sequence});
  }
  if (d.inFlight.empty()) {
    deliverPresses(d, std::exchange(d.pressesAnswered, 0));
    return;
  }
  xcb_flush(c);
}

void lookAtPointer(Display& d) {
  if (!d.inFlight.empty()) {
    d.lookAgain = true;
    return;
  }
  startQuestions(d);
}

bool contains(const Rect& rect, double x, double y) {
  return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}

void placePointer(WatchedWindow& window, const xcb_query_pointer_reply_t& where) {
  const bool over = where.same_screen && window.mapped && !window.destroyed;
  const std::vector<std::shared_ptr<PointerArea>> areas = window.areas;
  for (const auto& area : areas) {
    const Rect rect = area->rect.value_or(Rect{0, 0, window.width, window.height});
    const bool inside = over && contains(rect, where.win_x, where.win_y);
    // An earlier owner's handler may have removed this area.
    if (!area->owner || inside == area->inside) continue;
    area->inside = inside;
    if (inside) {
      area->owner->mouseEntered();
    } else {
      area->owner->mouseExited();
    }
  }
}

// Takes the answers that arrived, or waits for every one in flight; whether there were any.
bool collectAnswers(Display& d, bool wait = false) {
  std::vector<std::pair<std::shared_ptr<WatchedWindow>, Reply<xcb_query_pointer_reply_t>>> answers;
  bool any = false;
  for (auto it = d.inFlight.begin(); it != d.inFlight.end();) {
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    if (wait) {
      reply = xcb_wait_for_reply(d.connection.get(), it->sequence, &error);
    } else if (!xcb_poll_for_reply(d.connection.get(), it->sequence, &reply, &error)) {
      ++it;
      continue;
    }
    // An error: the window was destroyed meanwhile, its destruction is on its way.
    const Error refused(error);
    Reply<xcb_query_pointer_reply_t> answer(static_cast<xcb_query_pointer_reply_t*>(reply));
    any = true;
    if (auto window = it->window.lock(); window && answer) {
      answers.emplace_back(std::move(window), std::move(answer));
    }
    it = d.inFlight.erase(it);
  }
  if (!any) return false;
  const bool allAnswered = d.inFlight.empty();
  const int presses = allAnswered ? std::exchange(d.pressesAnswered, 0) : 0;
  for (const auto& [window, where] : answers) placePointer(*window, *where);
  deliverPresses(d, presses);
  if (d.inFlight.empty() && (d.lookAgain || d.pressesWaiting > 0)) startQuestions(d);
  return true;
}

std::shared_ptr<WatchedWindow> findWindow(Display& d, xcb_window_t id) {
  for (const auto& weak : d.windows) {
    auto window = weak.lock();
    if (window && window->id == id && !window->destroyed) return window;
  }
  return nullptr;
}

void windowDestroyed(Display& d, const std::shared_ptr<WatchedWindow>& window) {
  window->destroyed = true;
  // Its id may be given to another window from now on.
  // Compared without locking: a record must not end inside the erasing.
  d.windows.erase(std::remove_if(d.windows.begin(), d.windows.end(),
                                 [&](const auto& weak) {
                                   return weak.expired() || (!weak.owner_before(window) &&
                                                             !window.owner_before(weak));
                                 }),
                  d.windows.end());
  updateSelection(d);
  const std::vector<std::shared_ptr<CloseHandler>> handlers = window->closeHandlers;
  for (const auto& handler : handlers) {
    if (!handler->alive) continue;
    handler->alive = false;  // once
    if (handler->handler) handler->handler();
  }
}

void handle(Display& d, const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7f) {
    case XCB_CONFIGURE_NOTIFY: {
      const auto& notify = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
      const auto window = findWindow(d, notify.window);
      if (!window || notify.event != notify.window) break;
      window->width = notify.width;
      window->height = notify.height;
      lookAtPointer(d);
      break;
    }
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY: {
      // The window and event fields sit at the same place in both.
      const auto& notify = reinterpret_cast<const xcb_map_notify_event_t&>(event);
      const auto window = findWindow(d, notify.window);
      if (!window || notify.event != notify.window) break;
      window->mapped = (event.response_type & 0x7f) == XCB_MAP_NOTIFY;
      lookAtPointer(d);
      break;
    }
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY: {
      // The pointer crossed the window's edge, or a window over it: where it is now is looked
      // up, the crossing is not trusted (moving onto a popup over the window is a leave).
      const auto& crossing = reinterpret_cast<const xcb_enter_notify_event_t&>(event);
      const auto window = findWindow(d, crossing.event);
      if (window && tracksPointer(*window)) lookAtPointer(d);
      break;
    }
    case XCB_DESTROY_NOTIFY: {
      const auto& notify = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
      if (const auto window = findWindow(d, notify.window)) windowDestroyed(d, window);
      break;
    }
    case XCB_GE_GENERIC: {
      const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
      if (generic.extension != d.inputOpcode) break;
      if (generic.event_type == XCB_INPUT_RAW_MOTION) {
        if (d.selected & XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) lookAtPointer(d);
      } else if (generic.event_type == XCB_INPUT_RAW_BUTTON_PRESS) {
        const auto& press = reinterpret_cast<const xcb_input_raw_button_press_event_t&>(event);
        if (d.listeners.empty() || !countsAsMouseDown(press.detail)) break;
        ++d.pressesWaiting;
        lookAtPointer(d);
      }
      break;
    }
    default:  // errors of requests nobody waits for, about windows gone meanwhile
      break;
  }
}

// Reads everything waiting, also what xcb queued while it waited for a reply, and the answers.
void serve(Display& d) {
  bool progress = true;
  while (progress) {
    progress = false;
    while (xcb_generic_event_t* raw = xcb_poll_for_event(d.connection.get())) {
      const Event event(raw);
      handle(d, *event);
      progress = true;
    }
    if (collectAnswers(d)) progress = true;
  }
}

void onReadable() {
  Display* d = display();
  if (!d) return;
  ++d->wakeUps;
  serve(*d);
}

// Events that arrive during a request wait in xcb's queue without the socket becoming readable
// again: they are read on the next turn of the main context.
void serveSoon() {
  g_idle_add(
      [](gpointer) -> gboolean {
        if (Display* d = display()) serve(*d);
        return G_SOURCE_REMOVE;
      },
      nullptr);
}

}  // namespace

WatchedWindow::~WatchedWindow() {
  Display* d = display();
  if (!d) return;
  if (!destroyed) {
    const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(d->connection.get(), id, XCB_CW_EVENT_MASK, &none);
    xcb_flush(d->connection.get());
  }
  updateSelection(*d);
}

std::shared_ptr<WatchedWindow> watchWindow(std::uintptr_t id) {
  if (id == 0 || id > kLargestId) return nullptr;
  Display* d = display();
  if (!d) return nullptr;
  const auto windowId = static_cast<xcb_window_t>(id);
  if (auto known = findWindow(*d, windowId)) return known;
  xcb_connection_t* c = d->connection.get();
  // Selecting the window's structure events is the check: it fails for anything but a live
  // window, and once it succeeded the window's destruction cannot go unheard.
  const std::uint32_t mask =
      XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW;
  const xcb_void_cookie_t selected =
      xcb_change_window_attributes_checked(c, windowId, XCB_CW_EVENT_MASK, &mask);
  const xcb_get_geometry_cookie_t geometry = xcb_get_geometry(c, windowId);
  const xcb_get_window_attributes_cookie_t attributes = xcb_get_window_attributes(c, windowId);
  const Reply<xcb_generic_error_t> refused(xcb_request_check(c, selected));
  const Reply<xcb_get_geometry_reply_t> size(xcb_get_geometry_reply(c, geometry, nullptr));
  const Reply<xcb_get_window_attributes_reply_t> state(
      xcb_get_window_attributes_reply(c, attributes, nullptr));
  serveSoon();
  if (refused || xcb_connection_has_error(c)) return nullptr;
  auto window = std::make_shared<WatchedWindow>(windowId);
  // Without answers the window went away just now, and its destruction is on its way.
  if (size) {
    window->width = size->width;
    window->height = size->height;
  }
  window->mapped = state && state->map_state != XCB_MAP_STATE_UNMAPPED;
  d->windows.erase(std::remove_if(d->windows.begin(), d->windows.end(),
                                  [](const auto& weak) { return weak.expired(); }),
                   d->windows.end());
  d->windows.push_back(window);
  return window;
}

void addArea(WatchedWindow& window, std::shared_ptr<PointerArea> area) {
  Display* d = display();
  if (!d || !area) return;
  window.areas.push_back(std::move(area));
  updateSelection(*d);
  lookAtPointer(*d);
}

void removeArea(WatchedWindow& window, const std::shared_ptr<PointerArea>& area) {
  if (!area) return;
  area->owner = nullptr;
  auto& areas = window.areas;
  areas.erase(std::remove(areas.begin(), areas.end(), area), areas.end());
  if (Display* d = display()) updateSelection(*d);
}

void addMouseDownListener(std::shared_ptr<MouseDownListener> listener) {
  Display* d = display();
  if (!d || !listener) return;
  monitored = true;
  d->listeners.push_back(std::move(listener));
  updateSelection(*d);
}

void removeMouseDownListener(const std::shared_ptr<MouseDownListener>& listener) {
  if (!listener) return;
  listener->alive = false;
  Display* d = display();
  if (!d) return;
  auto& listeners = d->listeners;
  listeners.erase(std::remove(listeners.begin(), listeners.end(), listener), listeners.end());
  updateSelection(*d);
}

void handOnPressesNow() {
  if (!monitored) return;  // nothing to hand on, and no connection to open for it
  Display* d = display();
  if (!d || d->listeners.empty()) return;
  serve(*d);
  // The questions in flight, then those asked for the presses that waited on them.
  for (int round = 0;
       round < 2 && !d->inFlight.empty() && (d->pressesAnswered > 0 || d->pressesWaiting > 0);
       ++round) {
    collectAnswers(*d, true);
  }
}

std::uint64_t pointerWakeUps() {
  Display* d = display();
  return d ? d->wakeUps : 0;
}

}  // namespace axb::platform::x11
