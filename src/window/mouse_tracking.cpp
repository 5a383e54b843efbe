#include "window/mouse_tracking.h"

namespace axb::window {

// Host windows are not modelled yet; nothing can be a window.
void addMouseTracker(void*) {}

void resetMouseTrackers() {}

}  // namespace axb::window
