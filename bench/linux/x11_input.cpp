#include "x11_input.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>

namespace axb::measure {
namespace {

constexpr std::uint32_t kKeyShift = 0xffe1;
// _NET_ACTIVE_WINDOW's source indication for a pager, which window managers obey at once.
constexpr std::uint32_t kSourcePager = 2;

}  // namespace

X11Input::X11Input() {
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(connection) != 0) {
    xcb_disconnect(connection);
    return;
  }
  connection_ = connection;
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
  root_ = screens.data->root;
  const char name[] = "_NET_ACTIVE_WINDOW";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr);
  if (atom != nullptr) activeWindow_ = atom->atom;
  std::free(atom);
}

X11Input::~X11Input() {
  if (connection_ != nullptr) xcb_disconnect(connection_);
}

std::uint8_t X11Input::keycode(std::uint32_t keysym) const {
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
  if (symbols == nullptr) return 0;
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
  const std::uint8_t code = codes != nullptr ? codes[0] : 0;
  std::free(codes);
  xcb_key_symbols_free(symbols);
  return code;
}

void X11Input::fake(std::uint8_t type, std::uint8_t code) {
  xcb_test_fake_input(connection_, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

bool X11Input::sync() {
  // A round trip: every request sent before it has been handled once the reply is here.
  xcb_get_input_focus_reply_t* reply =
      xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
  const bool answered = reply != nullptr;
  std::free(reply);
  return answered;
}

bool X11Input::tap(std::uint32_t keysym, bool shift) {
  if (connection_ == nullptr) return false;
  const std::uint8_t code = keycode(keysym);
  const std::uint8_t shiftCode = shift ? keycode(kKeyShift) : 0;
  if (code == 0 || (shift && shiftCode == 0)) return false;
  if (shift) fake(XCB_KEY_PRESS, shiftCode);
  fake(XCB_KEY_PRESS, code);
  fake(XCB_KEY_RELEASE, code);
  if (shift) fake(XCB_KEY_RELEASE, shiftCode);
  return sync();
}

bool X11Input::activate(std::uint32_t window) {
  if (connection_ == nullptr || activeWindow_ == 0) return false;
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = activeWindow_;
  message.data.data32[0] = kSourcePager;
  message.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(connection_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  return sync();
}

}  // namespace axb::measure
