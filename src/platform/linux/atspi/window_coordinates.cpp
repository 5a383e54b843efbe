#include "platform/linux/atspi/window_coordinates.h"

#include <string_view>

#include "platform/linux/atspi/g_ref.h"

namespace axb::platform::atspi {

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

}  // namespace axb::platform::atspi
