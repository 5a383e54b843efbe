// Toolkits that cannot tell where their windows are (GTK 4 on X11) answer every rectangle
// relative to the window that holds the element, whatever coordinate space is asked for; the
// window's place on screen comes from the X server (x11/frame_extents.h).
#pragma once

#include <atspi/atspi.h>

namespace axb::platform::atspi {

// Whether the accessible's application answers rectangles relative to its window: GTK 4 does
// (libatspi keeps each application's toolkit, so asking costs a request once per application).
bool answersInWindowCoordinates(AtspiAccessible* accessible);

}  // namespace axb::platform::atspi
