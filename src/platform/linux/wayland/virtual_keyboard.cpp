#include "platform/linux/wayland/virtual_keyboard.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/linux/wayland/wl_client.h"
#include "platform/run_loop.h"
#include "virtual-keyboard-unstable-v1-client.h"

namespace axb::platform::wayland::keyboard {
namespace {

// Evdev key codes are XKB's less this offset.
constexpr std::uint32_t kEvdevOffset = 8;
constexpr std::uint32_t kPressed = 1;
constexpr std::uint32_t kReleased = 0;
// The compositor confirms it took the keys within this long, or the chord counts as not typed.
constexpr double kTakeWait = 1.0;

struct ContextFree {
  void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapFree {
  void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

struct Keyboard {
  zwp_virtual_keyboard_v1* device = nullptr;
  std::uint32_t control = 0;  // evdev codes
  std::uint32_t letterV = 0;
  std::uint32_t controlMask = 0;
};

// The first key that types the symbol at the keymap's first level.
std::optional<xkb_keycode_t> keyOf(xkb_keymap* keymap, xkb_keysym_t wanted) {
  for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap);
       ++key) {
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &symbols);
    for (int i = 0; i < count; ++i) {
      if (symbols[i] == wanted) return key;
    }
  }
  return std::nullopt;
}

// The keymap's text in a sealed-off memory file, as the compositor maps it.
int keymapFile(const std::string& text) {
  const int fd = ::memfd_create("axbridge-keymap", MFD_CLOEXEC);
  if (fd < 0) return -1;
  std::size_t written = 0;
  // With its terminating NUL, which the size handed over counts.
  while (written < text.size() + 1) {
    const ssize_t n = ::write(fd, text.c_str() + written, text.size() + 1 - written);
    if (n <= 0) {
      ::close(fd);
      return -1;
    }
    written += static_cast<std::size_t>(n);
  }
  return fd;
}

Keyboard* make() {
  client::Globals* globals = client::globals();
  if (!globals || !globals->keyboards || !globals->seat) return nullptr;
  const std::unique_ptr<xkb_context, ContextFree> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (!context) return nullptr;
  // A plain US layout: the chord's keys are found in it, whatever the user's layout is.
  const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
  const std::unique_ptr<xkb_keymap, KeymapFree> keymap(
      xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return nullptr;
  const auto control = keyOf(keymap.get(), XKB_KEY_Control_L);
  const auto letterV = keyOf(keymap.get(), XKB_KEY_v);
  const xkb_mod_index_t controlIndex = xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_CTRL);
  if (!control || !letterV || controlIndex == XKB_MOD_INVALID) return nullptr;
  char* text = xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
  if (!text) return nullptr;
  const std::string keymapText(text);
  std::free(text);
  const int fd = keymapFile(keymapText);
  if (fd < 0) return nullptr;
  auto* keyboard = new Keyboard();
  keyboard->device =
      zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals->keyboards, globals->seat);
  zwp_virtual_keyboard_v1_keymap(keyboard->device, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                 static_cast<std::uint32_t>(keymapText.size() + 1));
  ::close(fd);
  keyboard->control = *control - kEvdevOffset;
  keyboard->letterV = *letterV - kEvdevOffset;
  keyboard->controlMask = 1u << controlIndex;
  client::roundTrip(monotonicSeconds() + kTakeWait);
  return keyboard;
}

Keyboard* keyboard() {
  static Keyboard* const instance = make();
  return client::globals() ? instance : nullptr;
}

std::uint32_t nowMilliseconds() {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(monotonicSeconds() * 1000.0));
}

}  // namespace

bool available() {
  return keyboard() != nullptr;
}

void prepare() {
  keyboard();
}

bool typePasteChord() {
  Keyboard* k = keyboard();
  if (!k) return false;
  zwp_virtual_keyboard_v1_key(k->device, nowMilliseconds(), k->control, kPressed);
  zwp_virtual_keyboard_v1_modifiers(k->device, k->controlMask, 0, 0, 0);
  zwp_virtual_keyboard_v1_key(k->device, nowMilliseconds(), k->letterV, kPressed);
  zwp_virtual_keyboard_v1_key(k->device, nowMilliseconds(), k->letterV, kReleased);
  zwp_virtual_keyboard_v1_key(k->device, nowMilliseconds(), k->control, kReleased);
  zwp_virtual_keyboard_v1_modifiers(k->device, 0, 0, 0, 0);
  return client::roundTrip(monotonicSeconds() + kTakeWait);
}

}  // namespace axb::platform::wayland::keyboard
