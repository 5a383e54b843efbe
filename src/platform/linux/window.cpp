// The host's X11 windows, tracking areas over them and mouse-down monitors.
//
// A handle is an X11 window id (the XID cast to a pointer). The window itself is the content
// view: its inside, whatever the window manager puts around it. X11 has no window delegate: the
// library learns of a window's events by selecting them on its own connection, so the delegate
// is only remembered, for the core to see that the window has one (as a macOS window keeps the
// stand-in it was given), and is never called.
#include "platform/window.h"

#include <cstdint>
#include <utility>

#include "platform/linux/x11/host_windows.h"

namespace axb::platform {

struct HostWindow::Impl {
  std::shared_ptr<x11::WatchedWindow> window;  // never null
};

struct TrackingArea::Impl {
  std::shared_ptr<x11::PointerArea> area;
  std::weak_ptr<x11::WatchedWindow> window;
};

struct WindowCloseSubscription::Impl {
  std::shared_ptr<x11::CloseHandler> handler;

  ~Impl() {
    if (handler) handler->alive = false;
  }
};

struct MouseDownMonitor::Impl {
  std::shared_ptr<x11::MouseDownListener> listener;

  ~Impl() { x11::removeMouseDownListener(listener); }
};

std::optional<HostWindow> HostWindow::fromHandle(void* handle) {
  auto window = x11::watchWindow(reinterpret_cast<std::uintptr_t>(handle));
  if (!window) return std::nullopt;
  return HostWindow(std::make_shared<Impl>(Impl{std::move(window)}));
}

bool HostWindow::hasContentView() const {
  return true;
}

Rect HostWindow::contentViewBounds() const {
  return Rect{0, 0, impl_->window->width, impl_->window->height};
}

bool HostWindow::hasDelegate() const {
  return impl_->window->delegateSet;
}

void HostWindow::setDelegate(MouseResponder* delegate) const {
  impl_->window->delegateSet = delegate != nullptr;
}

// Areas that report entering and leaving whether or not the host is active are what X11 can
// give: anything else is refused. In the visible rectangle means the whole window at its size of
// the moment; otherwise the rectangle is in window coordinates, origin at the top-left.
std::optional<TrackingArea> HostWindow::addTrackingArea(Rect rect, TrackingOptions options,
                                                        MouseResponder* owner) const {
  if (!options.contains(TrackingOption::MouseEnteredAndExited) ||
      !options.contains(TrackingOption::ActiveAlways) || impl_->window->destroyed) {
    return std::nullopt;
  }
  auto area = std::make_shared<x11::PointerArea>();
  area->owner = owner;
  if (!options.contains(TrackingOption::InVisibleRect)) area->rect = rect;
  x11::addArea(*impl_->window, area);
  return TrackingArea(
      std::make_shared<TrackingArea::Impl>(TrackingArea::Impl{area, impl_->window}));
}

void HostWindow::removeTrackingArea(const TrackingArea& area) const {
  const auto& impl = area.impl();
  if (!impl) return;
  if (const auto window = impl->window.lock()) {
    x11::removeArea(*window, impl->area);
  } else {
    impl->area->owner = nullptr;
  }
}

// Closing is the window's destruction (DestroyNotify). Unmapping is not: hosts hide windows they
// show again, and a hidden window keeps its trackers.
std::unique_ptr<WindowCloseSubscription> HostWindow::onClose(std::function<void()> handler) const {
  auto closing = std::make_shared<x11::CloseHandler>();
  closing->handler = std::move(handler);
  impl_->window->closeHandlers.push_back(closing);
  // Made in place: a temporary Impl would end the subscription as it goes.
  auto impl = std::make_unique<WindowCloseSubscription::Impl>();
  impl->handler = std::move(closing);
  return std::make_unique<WindowCloseSubscription>(std::move(impl));
}

bool HostWindow::operator==(const HostWindow& other) const {
  return impl_->window == other.impl_->window;
}

WindowCloseSubscription::WindowCloseSubscription(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}
WindowCloseSubscription::~WindowCloseSubscription() = default;

MouseDownMonitor::MouseDownMonitor(std::function<void()> handler)
    : impl_(std::make_unique<Impl>()) {
  impl_->listener = std::make_shared<x11::MouseDownListener>();
  impl_->listener->handler = std::move(handler);
  x11::addMouseDownListener(impl_->listener);
}

MouseDownMonitor::~MouseDownMonitor() = default;

}  // namespace axb::platform
