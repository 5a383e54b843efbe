// The paste shortcut, Control-V, posted through the XTest extension (or, for a native Wayland
// application, the compositor's way: wayland/paste_route.h): the server delivers it as typed to
// the window holding the input focus. Modifiers the user holds stay held (X11 offers no
// way to leave them out of synthetic input short of releasing the user's own keys).
#include "platform/keyboard.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <optional>

#include "platform/linux/wayland/mutter_remote_desktop.h"
#include "platform/linux/wayland/paste_route.h"
#include "platform/linux/wayland/virtual_keyboard.h"
#include "platform/linux/x11/xcb_handles.h"

namespace axb::platform {
namespace {

constexpr xcb_keysym_t kControlL = 0xffe3;
constexpr xcb_keysym_t kLetterV = 0x0076;

// Opened on first use and kept; opened again after a failure, since a display may come (back).
xcb_connection_t* connection() {
  static x11::Connection instance;
  if (instance && !xcb_connection_has_error(instance.get())) return instance.get();
  instance.reset();
  std::optional<x11::DisplayConnection> connected = x11::connectToDisplay();
  if (!connected) return nullptr;
  const xcb_query_extension_reply_t* xtest =
      xcb_get_extension_data(connected->connection.get(), &xcb_test_id);
  if (!xtest || !xtest->present) return nullptr;
  instance = std::move(connected->connection);
  return instance.get();
}

// The first key that types the symbol in the current keyboard map (read afresh: the user may
// switch layouts).
xcb_keycode_t keycodeOf(xcb_key_symbols_t* symbols, xcb_keysym_t symbol) {
  const x11::Freed<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, symbol));
  return codes ? codes.get()[0] : static_cast<xcb_keycode_t>(XCB_NO_SYMBOL);
}

}  // namespace

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
      return std::nullopt;
    case wayland::PasteRoute::None:
      return KeysRefusal::NotSupported;
  }
  if (!connection()) return KeysRefusal::NoDesktop;
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
    case wayland::PasteRoute::None:
      return false;
  }
  xcb_connection_t* c = connection();
  if (!c) return false;
  const x11::KeySymbols symbols(xcb_key_symbols_alloc(c));
  if (!symbols) return false;
  const xcb_keycode_t control = keycodeOf(symbols.get(), kControlL);
  const xcb_keycode_t v = keycodeOf(symbols.get(), kLetterV);
  if (control == XCB_NO_SYMBOL || v == XCB_NO_SYMBOL) return false;
  const auto post = [c](std::uint8_t type, xcb_keycode_t key) {
    return xcb_test_fake_input_checked(c, type, key, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
  };
  const xcb_void_cookie_t cookies[] = {post(XCB_KEY_PRESS, control), post(XCB_KEY_PRESS, v),
                                       post(XCB_KEY_RELEASE, v), post(XCB_KEY_RELEASE, control)};
  bool posted = true;
  for (const xcb_void_cookie_t cookie : cookies) {
    if (const x11::Error error{xcb_request_check(c, cookie)}) posted = false;
  }
  return posted && !xcb_connection_has_error(c);
}

}  // namespace axb::platform
