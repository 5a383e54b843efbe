// The host's own windows, the pointer over the screen and mouse-downs. Mouse events reach the
// host's main thread as run-loop work, like every event the window server sends it.
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim_desktop/desktop_state.h"

namespace axb::sim {
namespace {

using WindowImpl = platform::HostWindow::Impl;
using AreaImpl = platform::TrackingArea::Impl;

std::shared_ptr<WindowImpl> findWindow(const Desktop::State& state, std::string_view id) {
  for (auto it = state.hostWindows.rbegin(); it != state.hostWindows.rend(); ++it) {
    if ((*it)->spec.id == id) return *it;
  }
  return nullptr;
}

std::shared_ptr<WindowImpl> requireWindow(const Desktop::State& state, std::string_view id) {
  auto window = findWindow(state, id);
  if (!window) throw std::out_of_range("unknown host window: " + std::string(id));
  return window;
}

// An area "in the visible rect" covers the whole content view and follows it when the window
// is resized; any other keeps the rectangle it was made with.
Rect screenRect(const WindowImpl& window, const AreaImpl& area) {
  const Rect& frame = window.spec.frame;
  if (area.options.contains(platform::TrackingOption::InVisibleRect)) return frame;
  return {frame.x + area.rect.x, frame.y + area.rect.y, area.rect.width, area.rect.height};
}

bool contains(const Rect& rect, Point point) {
  return point.x >= rect.x && point.x < rect.x + rect.width && point.y >= rect.y &&
         point.y < rect.y + rect.height;
}

// The owner is called only if the area is still installed when the event is handled.
void queueTrackingEvent(Desktop& desktop, const std::shared_ptr<AreaImpl>& area, bool entered) {
  std::weak_ptr<AreaImpl> weak = area;
  desktop.dispatchAfterOnMainQueue(0, [weak, entered] {
    const auto live = weak.lock();
    if (!live || !live->installed || !live->owner) return;
    if (entered) {
      live->owner->mouseEntered();
    } else {
      live->owner->mouseExited();
    }
  });
}

}  // namespace

void* Desktop::addHostWindow(const HostWindowSpec& spec) {
  if (const auto existing = findWindow(*state_, spec.id); existing && !existing->closed) {
    throw std::invalid_argument("duplicate host window id: " + spec.id);
  }
  auto window = std::make_shared<WindowImpl>();
  window->spec = spec;
  state_->hostWindows.push_back(window);
  return window.get();
}

void* Desktop::hostWindowHandle(const std::string& id) const {
  return requireWindow(*state_, id).get();
}

std::shared_ptr<WindowImpl> hostWindowFromHandle(Desktop& desktop, void* handle) {
  if (!handle) return nullptr;
  for (const auto& window : desktop.state().hostWindows) {
    if (window.get() == handle && !window->closed) return window;
  }
  return nullptr;
}

void Desktop::closeHostWindow(const std::string& id) {
  const auto window = requireWindow(*state_, id);
  if (window->closed) return;
  window->closed = true;
  const auto subscriptions = window->closeSubscriptions;
  dispatchAfterOnMainQueue(0, [subscriptions] {
    for (const auto& weak : subscriptions) {
      const auto subscription = weak.lock();
      if (subscription && subscription->alive && subscription->handler) subscription->handler();
    }
  });
}

void Desktop::setHostWindowFrame(const std::string& id, Rect frame) {
  requireWindow(*state_, id)->spec.frame = frame;
}

std::size_t Desktop::trackingAreaCount(const std::string& id) const {
  return requireWindow(*state_, id)->areas.size();
}

void Desktop::movePointer(Point location) {
  auto& state = *state_;
  state.pointer = location;
  const bool hostActive = state.frontmost == state.hostPid;
  std::vector<std::shared_ptr<AreaImpl>> exited, entered;
  for (const auto& window : state.hostWindows) {
    if (window->closed) continue;
    for (const auto& area : window->areas) {
      if (!area->options.contains(platform::TrackingOption::MouseEnteredAndExited)) continue;
      if (!area->options.contains(platform::TrackingOption::ActiveAlways) && !hostActive) continue;
      const bool inside = contains(screenRect(*window, *area), location);
      if (inside == area->inside) continue;
      area->inside = inside;
      (inside ? entered : exited).push_back(area);
    }
  }
  // Leaving one area comes before entering the next.
  for (const auto& area : exited) queueTrackingEvent(*this, area, false);
  for (const auto& area : entered) queueTrackingEvent(*this, area, true);
}

void addMouseDownMonitor(Desktop& desktop, std::shared_ptr<MouseDownMonitorNode> monitor) {
  auto& monitors = desktop.state().mouseDownMonitors;
  std::erase_if(monitors, [](const auto& weak) { return weak.expired(); });
  monitors.push_back(std::move(monitor));
}

void Desktop::mouseDown() {
  dispatchAfterOnMainQueue(0, [this] {
    const auto monitors = state_->mouseDownMonitors;
    for (const auto& weak : monitors) {
      const auto monitor = weak.lock();
      if (monitor && monitor->alive && monitor->handler) monitor->handler();
    }
  });
}

}  // namespace axb::sim
