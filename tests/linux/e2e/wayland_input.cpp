#include "e2e/wayland_input.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <string>

#include "virtual-keyboard-unstable-v1-client.h"

namespace axb::e2e {
namespace {

// Evdev key codes of the US keymap's keys (XKB's less 8), and Shift's modifier bit.
constexpr std::uint32_t kShiftCode = 42;
constexpr std::uint32_t kLeftCode = 105;
constexpr std::uint32_t kRightCode = 106;
constexpr std::uint32_t kShiftMask = 1;

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
  auto* input = static_cast<WaylandInput*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && !input->seat_) {
    input->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
    input->manager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
  }
}
void globalRemoved(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener{global, globalRemoved};

// The US keymap's text, in a memory file the compositor maps.
int usKeymap(std::uint32_t& size) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (!context) return -1;
  const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
  int fd = -1;
  if (text) {
    size = static_cast<std::uint32_t>(std::strlen(text) + 1);
    fd = ::memfd_create("axbridge-measure-keymap", MFD_CLOEXEC);
    if (fd >= 0 && ::write(fd, text, size) != static_cast<ssize_t>(size)) {
      ::close(fd);
      fd = -1;
    }
  }
  std::free(text);
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  return fd;
}

}  // namespace

WaylandInput::WaylandInput() {
  display_ = wl_display_connect(nullptr);
  if (!display_) return;
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  wl_display_roundtrip(display_);
  if (!seat_ || !manager_) return;
  std::uint32_t size = 0;
  const int keymap = usKeymap(size);
  if (keymap < 0) return;
  keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager_, seat_);
  zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymap, size);
  ::close(keymap);
  wl_display_roundtrip(display_);
}

WaylandInput& WaylandInput::instance() {
  static WaylandInput input;
  return input;
}

WaylandInput::~WaylandInput() {
  if (keyboard_) zwp_virtual_keyboard_v1_destroy(keyboard_);
  if (manager_) zwp_virtual_keyboard_manager_v1_destroy(manager_);
  if (seat_) wl_seat_destroy(seat_);
  if (registry_) wl_registry_destroy(registry_);
  if (display_) wl_display_disconnect(display_);
}

void WaylandInput::key(std::uint32_t code, bool pressed) {
  zwp_virtual_keyboard_v1_key(
      keyboard_, ++time_, code,
      pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
}

bool WaylandInput::tap(std::uint32_t keysym, bool shift) {
  if (!keyboard_) return false;
  const std::uint32_t code = keysym == XKB_KEY_Left      ? kLeftCode
                             : keysym == XKB_KEY_Right   ? kRightCode
                             : keysym == XKB_KEY_Shift_L ? kShiftCode
                                                         : 0;
  if (code == 0) return false;
  if (shift) {
    key(kShiftCode, true);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, kShiftMask, 0, 0, 0);
  }
  key(code, true);
  key(code, false);
  if (shift) {
    key(kShiftCode, false);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
  }
  return wl_display_roundtrip(display_) >= 0;
}

}  // namespace axb::e2e
