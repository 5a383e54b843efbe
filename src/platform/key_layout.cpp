#include "platform/key_layout.h"

namespace axb::platform {

std::optional<std::uint16_t> keyTyping(const KeyLayout& layout, std::u16string_view text) {
  std::optional<std::uint16_t> found;
  for (const auto& [keyCode, typed] : layout) {
    if (typed == text && (!found || keyCode < *found)) found = keyCode;
  }
  return found;
}

std::uint16_t pasteKeyCode(const std::optional<KeyLayout>& current,
                           const std::optional<KeyLayout>& asciiCapable, std::uint16_t fallback) {
  for (const auto* layout : {&current, &asciiCapable}) {
    if (!*layout) continue;
    if (const auto key = keyTyping(**layout, u"v")) return *key;
  }
  return fallback;
}

}  // namespace axb::platform
