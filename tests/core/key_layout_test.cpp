// The paste shortcut's key on the keyboard layouts people type with: the key that types "v", not
// the key where V sits on an ANSI QWERTY keyboard.
#include "platform/key_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace axb::platform {
namespace {

// The virtual key codes of the three letter rows, left to right, with the punctuation keys at
// their ends (the top row from Q to the key right of P and its neighbour).
constexpr std::array<std::array<std::uint16_t, 12>, 3> kRows{{
    {12, 13, 14, 15, 17, 16, 32, 34, 31, 35, 33, 30},
    {0, 1, 2, 3, 5, 4, 38, 40, 37, 41, 39, 42},
    {6, 7, 8, 9, 11, 45, 46, 43, 47, 44, 50, 10},
}};

using Rows = std::array<std::u16string, 3>;

// What the keys type, row by row.
KeyTable table(const Rows& rows) {
  KeyTable keys;
  for (std::size_t row = 0; row < kRows.size(); ++row) {
    for (std::size_t i = 0; i < rows[row].size() && i < kRows[row].size(); ++i) {
      keys.emplace_back(kRows[row][i], rows[row].substr(i, 1));
    }
  }
  return keys;
}

const Rows kQwertyRows{u"qwertyuiop[]", u"asdfghjkl;'\\", u"zxcvbnm,./`"};
const Rows kQwertzRows{u"qwertzuiopü+", u"asdfghjklöä#", u"yxcvbnm,.-<^"};
const Rows kDvorakRows{u"',.pyfgcrl/=", u"aoeuidhtns-\\", u";qjkxbmwvz`"};

// A layout typing the rows, or other rows while Command is held.
KeyLayout layout(const Rows& rows, const std::optional<Rows>& withCommand = std::nullopt) {
  return [plain = table(rows), command = table(withCommand.value_or(rows))](Modifiers held) {
    return held == Modifiers::Command ? command : plain;
  };
}

const KeyLayout kQwerty = layout(kQwertyRows);
const KeyLayout kAzerty = layout({u"azertyuiop^$", u"qsdfghjklmù`", u"wxcvbn,;:=<@"});
const KeyLayout kQwertz = layout(kQwertzRows);
const KeyLayout kDvorak = layout(kDvorakRows);
const KeyLayout kDvorakQwertyCommand = layout(kDvorakRows, kQwertyRows);
const KeyLayout kRussian = layout({u"йцукенгшщзхъ", u"фывапролджэё", u"ячсмитьбю/]>"});

TEST(KeyLayoutTest, ThePasteKeyIsTheOneThatTypesV) {
  constexpr std::uint16_t kAnsiV = 9;
  struct Case {
    const char* name;
    std::optional<KeyLayout> current;
    std::optional<KeyLayout> asciiCapable;
    std::uint16_t key;
  };
  const Case cases[] = {
      {"QWERTY", kQwerty, kQwerty, 9},
      {"AZERTY", kAzerty, kAzerty, 9},
      {"QWERTZ", kQwertz, kQwertz, 9},
      {"Dvorak", kDvorak, kDvorak, 47},
      // Command shortcuts follow what the keys type with Command held.
      {"Dvorak – QWERTY ⌘", kDvorakQwertyCommand, kDvorakQwertyCommand, 9},
      // Command shortcuts follow the ASCII-capable layout while Cyrillic is typed.
      {"Russian over Dvorak", kRussian, kDvorak, 47},
      {"Russian over QWERTY", kRussian, kQwerty, 9},
      {"no layout data", std::nullopt, std::nullopt, kAnsiV},
      {"no layout types v", kRussian, kRussian, kAnsiV},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pasteKeyCode(c.current, c.asciiCapable, kAnsiV), c.key) << c.name;
  }
  EXPECT_EQ(keyTyping(table(kQwertzRows), u"z"), 16);
  EXPECT_EQ(keyTyping({{47, u"v"}, {9, u"v"}}, u"v"), 9);
}

}  // namespace
}  // namespace axb::platform
