#include "bridge/process_state.h"

#include "ax/observers.h"
#include "bridge/globals.h"
#include "tracker/mac_accessibility.h"
#include "window/mouse_tracking.h"

namespace axb::bridge {

void resetProcessState() {
  // Registrations and subscriptions first: they point at the tracker.
  ax::resetObservers();
  window::resetMouseTrackers();
  Globals& state = globals();
  state.macAccessibility.reset();
  state.observer_callback = nullptr;
  state.eventParams.reset();
  state.isInWindow = false;
}

}  // namespace axb::bridge
