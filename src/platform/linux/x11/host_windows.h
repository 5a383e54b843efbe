// The host's own X11 windows and the pointer over them: whether a window exists, its size and
// whether it is shown, its destruction, where the pointer is, and mouse-downs anywhere. Served on
// the main context from a connection of its own; the pointer is heard through XInput2 raw events
// on the root window, selected only while something listens to them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/geometry.h"
#include "platform/window.h"

namespace axb::platform::x11 {

// A tracking area over a watched window.
struct PointerArea {
  MouseResponder* owner = nullptr;  // not owned; null once the area is removed
  std::optional<Rect> rect;         // in window coordinates; nothing: the whole window
  bool inside = false;              // where the pointer was at the last look
};

// Runs once when its window is destroyed, unless no longer alive.
struct CloseHandler {
  std::function<void()> handler;
  bool alive = true;
};

struct MouseDownListener {
  std::function<void()> handler;
  bool alive = true;
};

// One of the host's windows, shared by every handle to it while it lives. Its structure events
// (size, mapping, destruction) are selected until the last handle goes.
struct WatchedWindow {
  explicit WatchedWindow(std::uint32_t windowId) : id(windowId) {}
  ~WatchedWindow();
  WatchedWindow(const WatchedWindow&) = delete;
  WatchedWindow& operator=(const WatchedWindow&) = delete;

  const std::uint32_t id;
  bool delegateSet = false;
  double width = 0;
  double height = 0;
  bool mapped = false;
  bool destroyed = false;
  std::vector<std::shared_ptr<PointerArea>> areas;
  std::vector<std::shared_ptr<CloseHandler>> closeHandlers;
};

// The live window with that id on the display, watched from now on; nothing for 0, for any id
// that is not a live window, and without an X11 display with XInput 2.1 or later.
std::shared_ptr<WatchedWindow> watchWindow(std::uintptr_t id);

// Starts and stops reporting the pointer to an area; the pointer is looked at when one is added,
// so an area under a resting pointer hears it enter.
void addArea(WatchedWindow& window, std::shared_ptr<PointerArea> area);
void removeArea(WatchedWindow& window, const std::shared_ptr<PointerArea>& area);

void addMouseDownListener(std::shared_ptr<MouseDownListener> listener);
void removeMouseDownListener(const std::shared_ptr<MouseDownListener>& listener);

// Hands on the mouse-downs the display has told of by now, waiting for where the pointer was at
// each: an application hears a click after this process does, so what the click made it report
// comes after the click.
void handOnPressesNow();

// How many times the display connection has woken the main context up, for checking that nothing
// does when nothing is tracked.
std::uint64_t pointerWakeUps();

}  // namespace axb::platform::x11
