// Toolkits that cannot tell where their windows are (GTK 4 on X11) answer every rectangle
// relative to the window that holds the element, whatever coordinate space is asked for. The
// window's place on screen comes from the X server; client-side decorations draw a shadow
// inside the X window, around the content the rectangles are relative to.
#pragma once

#include <atspi/atspi.h>

#include <cstdint>

#include "platform/geometry.h"

namespace axb::platform::linux_desktop {

// The widths of the shadow on each side, as _GTK_FRAME_EXTENTS has them.
struct FrameExtents {
  std::uint32_t left = 0;
  std::uint32_t right = 0;
  std::uint32_t top = 0;
  std::uint32_t bottom = 0;
};

// Where the content begins on screen, for an X window whose top-left corner is at windowOrigin.
Point contentOrigin(Point windowOrigin, const FrameExtents& frame);

// A rectangle relative to the content, on screen.
Rect onScreen(const Rect& inWindow, Point contentOrigin);

// Whether the accessible's application answers rectangles relative to its window: GTK 4 does
// (libatspi keeps each application's toolkit, so asking costs a request once per application).
bool answersInWindowCoordinates(AtspiAccessible* accessible);

}  // namespace axb::platform::linux_desktop
