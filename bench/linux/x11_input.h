// What the measurements do as a user would, straight on the display: keys through XTest, and
// windows brought to the front through the window manager.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>

#include "platform/linux/x11/xcb_handles.h"

namespace axb::measure {

inline constexpr std::uint32_t kKeyLeft = 0xff51;
inline constexpr std::uint32_t kKeyRight = 0xff53;

class X11Input {
 public:
  X11Input();

  bool connected() const { return connection_ != nullptr; }
  // Presses and releases the key (Shift held around it when asked) and returns once the server
  // has handled the events; false when the key has no key code here.
  bool tap(std::uint32_t keysym, bool shift = false);
  // Asks the window manager to bring the window to the front, as a pager would.
  bool activate(std::uint32_t window);

 private:
  std::uint8_t keycode(std::uint32_t keysym) const;
  void fake(std::uint8_t type, std::uint8_t code);
  bool sync();

  platform::x11::Connection owned_;
  xcb_connection_t* connection_ = nullptr;  // owned_'s
  xcb_window_t root_ = 0;
  xcb_atom_t activeWindow_ = 0;
};

}  // namespace axb::measure
