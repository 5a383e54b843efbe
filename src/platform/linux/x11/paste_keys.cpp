#include "platform/linux/x11/paste_keys.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "platform/linux/x11/xcb_handles.h"

namespace axb::platform::x11 {
namespace {

constexpr xcb_keysym_t kControlL = 0xffe3;
constexpr xcb_keysym_t kLetterV = 0x0076;

// Opened on first use and kept; opened again after a failure, since a display may come (back).
xcb_connection_t* connection() {
  static Connection instance;
  if (instance && !xcb_connection_has_error(instance.get())) return instance.get();
  instance.reset();
  std::optional<DisplayConnection> connected = connectToDisplay();
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
  const Freed<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, symbol));
  return codes ? codes.get()[0] : static_cast<xcb_keycode_t>(XCB_NO_SYMBOL);
}

}  // namespace

bool canPostKeys() {
  return connection() != nullptr;
}

bool typePasteChord() {
  xcb_connection_t* c = connection();
  if (!c) return false;
  const KeySymbols symbols(xcb_key_symbols_alloc(c));
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
    if (const Error error{xcb_request_check(c, cookie)}) posted = false;
  }
  return posted && !xcb_connection_has_error(c);
}

}  // namespace axb::platform::x11
