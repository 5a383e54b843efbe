#include "platform/linux/atspi/window_coordinates.h"

#include <string_view>

#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {

bool answersInWindowCoordinates(AtspiAccessible* accessible) {
  // The toolkit is a property of the application's root; libatspi keeps it in the application's
  // record once asked, so only the first question costs a request.
  AtspiApplication* application = accessible ? accessible->parent.app : nullptr;
  if (!application) return false;
  GRef<AtspiAccessible> root = GRef<AtspiAccessible>::retain(application->root);
  GErrorSlot error;
  if (!root)
    root = GRef<AtspiAccessible>::adopt(atspi_accessible_get_application(accessible, error.out()));
  if (error || !root) return false;
  const GText name(atspi_accessible_get_toolkit_name(root.get(), error.out()));
  if (error || !name || std::string_view(name.get()) != "GTK") return false;
  const GText version(atspi_accessible_get_toolkit_version(root.get(), error.out()));
  return !error && version && std::string_view(version.get()).substr(0, 2) == "4.";
}

}  // namespace axb::platform::atspi
