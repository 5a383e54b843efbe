// The host's windows, tracking areas and mouse-down monitors of the platform boundary.
#include "platform/window.h"

#include <algorithm>
#include <functional>

#include "sim_desktop/desktop_state.h"
#include "sim_desktop/host_window_node.h"

namespace axb::platform {

std::optional<HostWindow> HostWindow::fromHandle(void* handle) {
  if (auto window = sim::hostWindowFromHandle(sim::Desktop::current(), handle)) {
    return HostWindow(std::move(window));
  }
  return std::nullopt;
}

bool HostWindow::hasContentView() const {
  return impl_->spec.contentView;
}

Rect HostWindow::contentViewBounds() const {
  if (!impl_->spec.contentView) return {};
  return {0, 0, impl_->spec.frame.width, impl_->spec.frame.height};
}

bool HostWindow::hasDelegate() const {
  return impl_->spec.hostDelegate || impl_->delegate != nullptr;
}

void HostWindow::setDelegate(MouseResponder* delegate) const {
  impl_->delegate = delegate;
}

std::optional<TrackingArea> HostWindow::addTrackingArea(Rect rect, TrackingOptions options,
                                                        MouseResponder* owner) const {
  if (!impl_->spec.contentView) return std::nullopt;
  auto area = std::make_shared<TrackingArea::Impl>();
  area->rect = rect;
  area->options = options;
  area->owner = owner;
  impl_->areas.push_back(area);
  return TrackingArea(std::move(area));
}

void HostWindow::removeTrackingArea(const TrackingArea& area) const {
  auto& areas = impl_->areas;
  const auto it = std::find(areas.begin(), areas.end(), area.impl());
  if (it == areas.end()) return;
  (*it)->installed = false;
  areas.erase(it);
}

struct WindowCloseSubscription::Impl {
  std::shared_ptr<sim::CloseSubscriptionNode> node;
};

std::unique_ptr<WindowCloseSubscription> HostWindow::onClose(std::function<void()> handler) const {
  auto node =
      std::make_shared<sim::CloseSubscriptionNode>(sim::CloseSubscriptionNode{std::move(handler)});
  impl_->closeSubscriptions.push_back(node);
  return std::make_unique<WindowCloseSubscription>(
      std::make_unique<WindowCloseSubscription::Impl>(WindowCloseSubscription::Impl{node}));
}

bool HostWindow::operator==(const HostWindow& other) const {
  return impl_ == other.impl_;
}

WindowCloseSubscription::WindowCloseSubscription(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

// The handler stays in the node: it may be the one running right now.
WindowCloseSubscription::~WindowCloseSubscription() {
  impl_->node->alive = false;
}

struct MouseDownMonitor::Impl {
  std::shared_ptr<sim::MouseDownMonitorNode> node;
};

MouseDownMonitor::MouseDownMonitor(std::function<void()> handler)
    : impl_(std::make_unique<Impl>(Impl{std::make_shared<sim::MouseDownMonitorNode>(
          sim::MouseDownMonitorNode{std::move(handler)})})) {
  sim::addMouseDownMonitor(sim::Desktop::current(), impl_->node);
}

MouseDownMonitor::~MouseDownMonitor() {
  impl_->node->alive = false;
}

}  // namespace axb::platform
