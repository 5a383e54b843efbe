// The simulated side of the host's windows. As on the real platform the window only points at
// its delegate and at its tracking areas' owners: it never keeps them alive, so an owner freed
// while its area is still installed is a use-after-free that the sanitizers see.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window.h"
#include "sim_desktop/desktop.h"

namespace axb::sim {

struct CloseSubscriptionNode {
  std::function<void()> handler;
  bool alive = true;
};

struct MouseDownMonitorNode {
  std::function<void()> handler;
  bool alive = true;
};

}  // namespace axb::sim

namespace axb::platform {

struct TrackingArea::Impl {
  Rect rect;  // in the content view, origin at its top-left
  TrackingOptions options;
  MouseResponder* owner = nullptr;  // not retained
  // As last reported. A new area starts outside: a pointer already in it is reported entering
  // at its next move.
  bool inside = false;
  bool installed = true;
};

struct HostWindow::Impl {
  sim::HostWindowSpec spec;
  MouseResponder* delegate = nullptr;  // weak
  bool closed = false;
  std::vector<std::shared_ptr<TrackingArea::Impl>> areas;
  std::vector<std::weak_ptr<sim::CloseSubscriptionNode>> closeSubscriptions;
};

}  // namespace axb::platform

namespace axb::sim {

void addMouseDownMonitor(Desktop& desktop, std::shared_ptr<MouseDownMonitorNode> monitor);
// The live window behind a handle the host passed in, or null.
std::shared_ptr<platform::HostWindow::Impl> hostWindowFromHandle(Desktop& desktop, void* handle);

}  // namespace axb::sim
