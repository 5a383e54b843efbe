#include "x11_input.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstring>
#include <optional>
#include <utility>

namespace axb::measure {
namespace {

namespace x11 = platform::x11;

constexpr std::uint32_t kKeyShift = 0xffe1;
// _NET_ACTIVE_WINDOW's source indication for a pager, which window managers obey at once.
constexpr std::uint32_t kSourcePager = 2;

}  // namespace

X11Input::X11Input() {
  std::optional<x11::DisplayConnection> display = x11::connectToDisplay();
  if (!display) return;
  owned_ = std::move(display->connection);
  connection_ = owned_.get();
  root_ = display->root;
  const char name[] = "_NET_ACTIVE_WINDOW";
  const x11::Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
      connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr));
  if (atom != nullptr) activeWindow_ = atom->atom;
}

std::uint8_t X11Input::keycode(std::uint32_t keysym) const {
  const x11::KeySymbols symbols(xcb_key_symbols_alloc(connection_));
  if (symbols == nullptr) return 0;
  const x11::Freed<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols.get(), keysym));
  return codes != nullptr ? codes.get()[0] : 0;
}

void X11Input::fake(std::uint8_t type, std::uint8_t code) {
  xcb_test_fake_input(connection_, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

bool X11Input::sync() {
  // A round trip: every request sent before it has been handled once the reply is here.
  const x11::Reply<xcb_get_input_focus_reply_t> reply(
      xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  return reply != nullptr;
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
