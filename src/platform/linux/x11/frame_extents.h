// Where the content of a window with client-side decorations begins on screen: such a window
// draws a shadow inside its X window, around the content that toolkits place things relative
// to.
#pragma once

#include <cstdint>

#include "platform/geometry.h"

namespace axb::platform::x11 {

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

}  // namespace axb::platform::x11
