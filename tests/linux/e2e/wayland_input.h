// Keys as a user types them in a wlroots session: one virtual keyboard of this program's own,
// with a full US keymap (which XWayland's clients then see too), made once (a keyboard appearing
// makes GTK 3 lose and regain the focus).
#pragma once

#include <cstdint>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace axb::e2e {

class WaylandInput {
 public:
  WaylandInput();
  ~WaylandInput();
  WaylandInput(const WaylandInput&) = delete;
  WaylandInput& operator=(const WaylandInput&) = delete;

  bool connected() const { return keyboard_ != nullptr; }
  // Presses and releases the key (Shift held around it when asked) and returns once the
  // compositor has handled the events; false when the keymap has no such key.
  bool tap(std::uint32_t keysym, bool shift = false);

  // The one of this process, made on first use.
  static WaylandInput& instance();

  // Filled from the registry.
  wl_seat* seat_ = nullptr;
  zwp_virtual_keyboard_manager_v1* manager_ = nullptr;

 private:
  void key(std::uint32_t code, bool pressed);
  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  zwp_virtual_keyboard_v1* keyboard_ = nullptr;
  std::uint32_t time_ = 0;
};

}  // namespace axb::e2e
