// The paste shortcut, Control-V, posted on the route decided for the application in front: the
// X server's XTest extension (x11/paste_keys.h), or for a native Wayland application the
// compositor's way (wayland/paste_route.h).
#include "platform/keyboard.h"

#include <optional>

#include "platform/linux/wayland/mutter_remote_desktop.h"
#include "platform/linux/wayland/paste_route.h"
#include "platform/linux/wayland/portal_remote_desktop.h"
#include "platform/linux/wayland/virtual_keyboard.h"
#include "platform/linux/x11/paste_keys.h"

namespace axb::platform {

// X11 lets any client post keys, so the accessibility switch does not matter here; only a display
// to post them to does. In a Wayland session the paste's route is decided here, as the paste
// begins, for the application in front.
std::optional<KeysRefusal> syntheticKeysRefused() {
  switch (wayland::decidePasteRoute()) {
    case wayland::PasteRoute::X11:
      break;
    case wayland::PasteRoute::WaylandProtocols:
      return std::nullopt;
    case wayland::PasteRoute::MutterRemoteDesktop:
    case wayland::PasteRoute::PortalKeystroke:
      return std::nullopt;
    case wayland::PasteRoute::None:
      return KeysRefusal::NotSupported;
  }
  if (!x11::canPostKeys()) return KeysRefusal::NoDesktop;
  return std::nullopt;
}

bool postPasteShortcut() {
  switch (wayland::pasteRoute()) {
    case wayland::PasteRoute::X11:
      break;
    case wayland::PasteRoute::WaylandProtocols:
      return wayland::keyboard::typePasteChord();
    case wayland::PasteRoute::MutterRemoteDesktop:
      return wayland::remote_desktop::typePasteChord();
    case wayland::PasteRoute::PortalKeystroke:
      return wayland::portal::typePasteChord();
    case wayland::PasteRoute::None:
      return false;
  }
  return x11::typePasteChord();
}

}  // namespace axb::platform
