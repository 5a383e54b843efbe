// The host's windows are not watched on Linux yet: no handle is taken for a window, so mouse
// tracking is never installed, and the mouse-down monitor hears nothing.
#include "platform/window.h"

namespace axb::platform {

struct HostWindow::Impl {};
struct TrackingArea::Impl {};
struct WindowCloseSubscription::Impl {};
struct MouseDownMonitor::Impl {};

std::optional<HostWindow> HostWindow::fromHandle(void*) {
  return std::nullopt;
}

bool HostWindow::hasContentView() const {
  return false;
}

Rect HostWindow::contentViewBounds() const {
  return Rect{};
}

bool HostWindow::hasDelegate() const {
  return false;
}

void HostWindow::setDelegate(MouseResponder*) const {}

std::optional<TrackingArea> HostWindow::addTrackingArea(Rect, TrackingOptions,
                                                        MouseResponder*) const {
  return std::nullopt;
}

void HostWindow::removeTrackingArea(const TrackingArea&) const {}

std::unique_ptr<WindowCloseSubscription> HostWindow::onClose(std::function<void()>) const {
  return nullptr;
}

bool HostWindow::operator==(const HostWindow& other) const {
  return impl_ == other.impl_;
}

WindowCloseSubscription::WindowCloseSubscription(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}
WindowCloseSubscription::~WindowCloseSubscription() = default;

MouseDownMonitor::MouseDownMonitor(std::function<void()>) : impl_(std::make_unique<Impl>()) {}
MouseDownMonitor::~MouseDownMonitor() = default;

}  // namespace axb::platform
