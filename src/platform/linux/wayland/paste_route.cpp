#include "platform/linux/wayland/paste_route.h"

#include <optional>

#include "platform/linux/wayland/data_control.h"
#include "platform/linux/wayland/mutter_remote_desktop.h"
#include "platform/linux/wayland/portal_remote_desktop.h"
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
  // Only a grant the user gave earlier: a dialog now would answer long after the paste.
  if (portal::granted() && clipboard::available()) return PasteRoute::PortalKeystroke;
  return PasteRoute::None;
}

// The portal is asked only where nothing else types and its keystroke would have a clipboard to
// paste: GNOME's own sessions type and hold the clipboard, and GNOME offers no data-control.
bool portalWanted() {
  const Desktop running = desktop();
  if (running == Desktop::X11 || running == Desktop::Gnome) return false;
  if (running == Desktop::Sway && keyboard::available()) return false;
  return clipboard::available();
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

void askForPortalKeystroke() {
  // Even which desktop runs is first learnt on the main thread.
  dispatchAfterOnMainQueue(0, [] {
    if (portalWanted()) portal::requestKeyboard();
  });
}

}  // namespace axb::platform::wayland
