#include "platform/linux/wayland/paste_route.h"

#include <optional>

#include "platform/linux/wayland/data_control.h"
#include "platform/linux/wayland/mutter_remote_desktop.h"
#include "platform/linux/wayland/session.h"
#include "platform/linux/wayland/virtual_keyboard.h"
#include "platform/run_loop.h"

namespace axb::platform::wayland {
namespace {

// Longer than one paste takes (its waits and a slow clipboard), shorter than the user takes to
// switch to another application and paste again.
constexpr double kRouteKept = 6.0;

PasteRoute decide() {
  const Desktop running = desktop();
  if (running == Desktop::X11) return PasteRoute::X11;
  // The host's own window may be in front as the paste begins: the application it pastes into
  // is the one in front before it.
  const std::optional<ProcessId> front = frontmostOtherProcess();
  if (running == Desktop::Sway && keyboard::available() && clipboard::available()) {
    return PasteRoute::WaylandProtocols;
  }
  if (front && isX11Client(*front)) return PasteRoute::X11;
  if (running == Desktop::Gnome && remote_desktop::available()) {
    return PasteRoute::MutterRemoteDesktop;
  }
  return PasteRoute::None;
}

struct Decided {
  PasteRoute route = PasteRoute::None;
  std::optional<double> at;
};

Decided& decided() {
  static Decided last;
  return last;
}

}  // namespace

PasteRoute decidePasteRoute() {
  if (desktop() == Desktop::X11) return PasteRoute::X11;
  decided() = {decide(), monotonicSeconds()};
  return decided().route;
}

PasteRoute pasteRoute() {
  if (desktop() == Desktop::X11) return PasteRoute::X11;
  const Decided& last = decided();
  if (!last.at || monotonicSeconds() - *last.at >= kRouteKept) return decidePasteRoute();
  return last.route;
}

}  // namespace axb::platform::wayland
