#include "platform/linux/atspi/window_coordinates.h"

#include <algorithm>
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

std::optional<Point> visibleFrameOrigin(AtspiAccessible* accessible, Size visible) {
  // The window is the application's child the accessible is in; a tree is a few dozen levels deep.
  GRef<AtspiAccessible> window = GRef<AtspiAccessible>::retain(accessible);
  for (int depth = 0; window && depth < 64; ++depth) {
    GErrorSlot error;
    auto parent =
        GRef<AtspiAccessible>::adopt(atspi_accessible_get_parent(window.get(), error.out()));
    if (error || !parent) return std::nullopt;
    if (atspi_accessible_get_role(parent.get(), nullptr) == ATSPI_ROLE_APPLICATION) break;
    window = std::move(parent);
  }
  if (!window) return std::nullopt;
  AtspiComponent* frame = atspi_accessible_get_component_iface(window.get());
  if (!frame) return std::nullopt;
  const GMemory<AtspiRect> whole(
      atspi_component_get_extents(frame, ATSPI_COORD_TYPE_WINDOW, nullptr));
  g_object_unref(frame);
  // Whole pixels on both sides: a window its visible part's size draws no shadow.
  if (!whole || whole->width <= visible.width + 1 || whole->height <= visible.height + 1) {
    return std::nullopt;
  }
  const Point most{whole->width - visible.width, whole->height - visible.height};
  GErrorSlot error;
  // A title bar and a content, rarely more: the first few are enough.
  const gint count = std::min(atspi_accessible_get_child_count(window.get(), error.out()), 4);
  std::optional<Point> origin;
  for (gint i = 0; !error && i < count; ++i) {
    const auto child =
        GRef<AtspiAccessible>::adopt(atspi_accessible_get_child_at_index(window.get(), i, nullptr));
    AtspiComponent* component = child ? atspi_accessible_get_component_iface(child.get()) : nullptr;
    if (!component) continue;
    const GMemory<AtspiRect> box(
        atspi_component_get_extents(component, ATSPI_COORD_TYPE_WINDOW, nullptr));
    g_object_unref(component);
    // Hidden children answer absurd places and no size.
    if (!box || box->width <= 0 || box->height <= 0 || box->x < 0 || box->y < 0) continue;
    const Point at{std::min<double>(box->x, most.x), std::min<double>(box->y, most.y)};
    origin = origin ? Point{std::min(origin->x, at.x), std::min(origin->y, at.y)} : at;
  }
  return origin;
}

}  // namespace axb::platform::atspi
