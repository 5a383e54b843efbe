#include "window/window_tracker.h"

#include "ax/callout.h"
#include "events/event_catalogue.h"
#include "platform/diagnostics.h"

namespace axb::window {

WindowTracker::~WindowTracker() {
  removeTrackingAreas();
}

void WindowTracker::setupTrackingArea(const platform::HostWindow& window) {
  const Rect bounds = window.hasContentView() ? window.contentViewBounds() : Rect{};
  auto area = window.addTrackingArea(bounds, kTrackingOptions, this);
  if (!area) return;  // no content view to install it in
  trackingArea = area;
  installed_.emplace_back(window, *area);
}

void WindowTracker::removeTrackingAreas() {
  for (const auto& [window, area] : installed_) window.removeTrackingArea(area);
  installed_.clear();
}

void WindowTracker::mouseEntered() {
  ax::runCallout([this] {
    holdsPointer_ = true;
    *sink_.isInWindow = true;
    if (!sink_.hostListens()) return;
    sink_.post(events::kMouseHovered, EventDictionary::object());
  });
}

void WindowTracker::mouseExited() {
  ax::runCallout([this] {
    holdsPointer_ = false;
    *sink_.isInWindow = false;
    sink_.activateFollowedApplication();
  });
}

void WindowTracker::mouseDown() {
  ax::runCallout([this] {
    platform::writeDiagnosticLine("clicked bro");
    if (*sink_.isInWindow) return;
    sink_.post(events::kClickedOutside, EventDictionary::object());
  });
}

void WindowTracker::windowClosedUnderPointer() {
  if (!holdsPointer_) return;
  holdsPointer_ = false;
  *sink_.isInWindow = false;
}

}  // namespace axb::window
