// Toolkits that cannot tell where their windows are (GTK 4 on X11) answer every rectangle
// relative to the window that holds the element, whatever coordinate space is asked for; the
// window's place on screen comes from the X server (x11/frame_extents.h).
#pragma once

#include <atspi/atspi.h>

#include <optional>

#include "platform/geometry.h"

namespace axb::platform::atspi {

// Whether the accessible's application answers rectangles relative to its window: GTK 4 does
// (libatspi keeps each application's toolkit, so asking costs a request once per application).
bool answersInWindowCoordinates(AtspiAccessible* accessible);

// Where the visible part of the accessible's window, of the size the compositor gives, begins
// inside what its answers are relative to. A window that draws its own frame and shadow (GTK 3's
// client-side decorations, floating) is larger than that part and answers relative to its whole
// surface, while the compositor places the visible part: it begins where the window's first
// children (its title bar, its content) do. Nothing for a window no larger than its visible part.
std::optional<Point> visibleFrameOrigin(AtspiAccessible* accessible, Size visible);

}  // namespace axb::platform::atspi
