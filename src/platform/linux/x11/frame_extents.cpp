#include "platform/linux/x11/frame_extents.h"

namespace axb::platform::x11 {

Point contentOrigin(Point windowOrigin, const FrameExtents& frame) {
  return Point{windowOrigin.x + frame.left, windowOrigin.y + frame.top};
}

Rect onScreen(const Rect& inWindow, Point contentOrigin) {
  return Rect{inWindow.x + contentOrigin.x, inWindow.y + contentOrigin.y, inWindow.width,
              inWindow.height};
}

}  // namespace axb::platform::x11
