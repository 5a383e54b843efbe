#include "platform/key_layout.h"

namespace axb::platform {

std::optional<std::uint16_t> keyTyping(const KeyTable& keys, std::u16string_view text) {
  std::optional<std::uint16_t> found;
  for (const auto& [keyCode, typed] : keys) {
    if (typed == text && (!found || keyCode < *found)) found = keyCode;
  }
  return found;
}

std::uint16_t pasteKeyCode(const std::optional<KeyLayout>& current,
                           const std::optional<KeyLayout>& asciiCapable, std::uint16_t fallback) {
  for (const auto* layout : {&current, &asciiCapable}) {
    if (!*layout || !**layout) continue;
    // The shortcut's key is what the application reads, with Command held.
    if (const auto key = keyTyping((**layout)(Modifiers::Command), u"v")) return *key;
  }
  return fallback;
}

}  // namespace axb::platform
