// Watching the mouse over the host's own windows.
#pragma once

#include "window/window_tracker.h"

namespace axb::window {

// Attaches a window tracker to a host window; anything that is not a window is ignored.
void addMouseTracker(void* window, const WindowTrackerSink& sink);

// Releases every window tracker (process reset).
void resetMouseTrackers();

}  // namespace axb::window
