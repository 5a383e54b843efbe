#include "platform/linux/window_coordinates.h"

#include <string_view>

#include "platform/linux/g_ref.h"

namespace axb::platform::linux_desktop {

Point contentOrigin(Point windowOrigin, const FrameExtents& frame) {
  return Point{windowOrigin.x + frame.left, windowOrigin.y + frame.top};
}

Rect onScreen(const Rect& inWindow, Point contentOrigin) {
  return Rect{inWindow.x + contentOrigin.x, inWindow.y + contentOrigin.y, inWindow.width,
              inWindow.height};
}

bool answersInWindowCoordinates(AtspiAccessible* accessible) {
  // The toolkit is a property of the application's root only.
  GErrorSlot error;
  const auto application =
      GRef<AtspiAccessible>::adopt(atspi_accessible_get_application(accessible, error.out()));
  if (error || !application) return false;
  const GText name(atspi_accessible_get_toolkit_name(application.get(), error.out()));
  if (error || !name || std::string_view(name.get()) != "GTK") return false;
  const GText version(atspi_accessible_get_toolkit_version(application.get(), error.out()));
  return !error && version && std::string_view(version.get()).substr(0, 2) == "4.";
}

}  // namespace axb::platform::linux_desktop
