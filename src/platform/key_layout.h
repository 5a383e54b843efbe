// Which key types a character, from what each key of a keyboard layout types. Portable: a binding
// reads its own layout data.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace axb::platform {

// What each key types: (virtual key code, UTF-16 text), keys that type nothing left out.
using KeyTable = std::vector<std::pair<std::uint16_t, std::u16string>>;

// The modifier keys held while a layout's keys are read.
enum class Modifiers { None, Command };

// A keyboard layout: what its keys type with the modifiers held. Some layouts type other
// characters while Command is held ("Dvorak – QWERTY ⌘" types QWERTY's).
using KeyLayout = std::function<KeyTable(Modifiers)>;

// The key that types exactly the text: the lowest key code of those that do; nothing when none
// does.
std::optional<std::uint16_t> keyTyping(const KeyTable& keys, std::u16string_view text);

// The paste shortcut's key: the one that types "v" with Command held in the current layout, else
// in the ASCII-capable layout that Command shortcuts use while a layout without Latin letters is
// current, else the fallback (the key of V on an ANSI keyboard).
std::uint16_t pasteKeyCode(const std::optional<KeyLayout>& current,
                           const std::optional<KeyLayout>& asciiCapable, std::uint16_t fallback);

}  // namespace axb::platform
