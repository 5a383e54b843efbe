#include "window/window_tracker.h"

#include "bridge/event_channel.h"
#include "bridge/globals.h"
#include "platform/diagnostics.h"
#include "tracker/mac_accessibility.h"

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
  bridge::Globals& state = bridge::globals();
  holdsPointer_ = true;
  state.isInWindow = true;
  if (state.observer_callback == nullptr) return;
  bridge::callbackWraper("mouse_hoverd", EventDictionary::object());
}

void WindowTracker::mouseExited() {
  bridge::Globals& state = bridge::globals();
  holdsPointer_ = false;
  state.isInWindow = false;
  if (state.macAccessibility) state.macAccessibility->acctivateTheForMost();
}

void WindowTracker::mouseDown() {
  platform::writeDiagnosticLine("clicked bro");
  if (bridge::globals().isInWindow) return;
  bridge::callbackWraper("clcicked_outside", EventDictionary::object());
}

}  // namespace axb::window
