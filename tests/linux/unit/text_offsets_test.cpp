// Offsets between AT-SPI's characters and the boundary's UTF-16 units, with the text shapes that
// make them differ: characters outside the basic plane (two units, one character) and combining
// marks (one unit and one character each, but no cursor position of their own).
#include "platform/linux/atspi/text_offsets.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace axb::platform::atspi {
namespace {

// "a😀é!" with "é" as "e" and a combining acute accent: characters a, 😀, e, ◌́, ! at 0 to 4;
// UTF-16 units a=0, 😀=1-2, e=3, ◌́=4, !=5.
constexpr char kText[] =
    "a\xF0\x9F\x98\x80"
    "e\xCC\x81!";

TEST(TextOffsets, CharactersAndUnitsMapBothWaysAndNothingPastTheText) {
  // utf16Offset of characters: after the emoji one unit further on; 5 is the end of the text.
  const std::pair<std::int64_t, std::optional<std::int64_t>> units[] = {
      {0, 0}, {1, 1}, {2, 3}, {4, 5}, {5, 6}, {6, std::nullopt}, {-1, std::nullopt}};
  for (const auto& [character, unit] : units) EXPECT_EQ(utf16Offset(kText, character), unit);
  // characterOffset of units: the combining mark is a character of its own, and an offset
  // inside a surrogate pair falls on its character.
  const std::pair<std::int64_t, std::optional<std::int64_t>> characters[] = {
      {3, 2}, {4, 3}, {6, 5}, {2, 1}, {7, std::nullopt}, {-1, std::nullopt}};
  for (const auto& [unit, character] : characters) {
    EXPECT_EQ(characterOffset(kText, unit), character);
  }
}

TEST(TextOffsets, RangesCoverWholeCharactersAndNothingPastTheText) {
  const auto emoji = characterSpan(kText, Range{1, 2});
  ASSERT_TRUE(emoji);
  EXPECT_EQ(emoji->start, 1);
  EXPECT_EQ(emoji->end, 2);
  EXPECT_EQ(characterSubstring(kText, emoji->start, emoji->end), "\xF0\x9F\x98\x80");
  EXPECT_EQ(characterSpan(kText, Range{0, 2}).value().end, 2);  // ends inside the pair
  EXPECT_FALSE(characterSpan(kText, Range{4, 3}));
  EXPECT_FALSE(characterSpan(kText, Range{1, INT64_MAX}));
  EXPECT_FALSE(characterSpan(kText, Range{-1, 1}));
  // A selection in either order becomes a forward range.
  EXPECT_EQ(utf16Range(kText, 4, 1), (Range{1, 4}));
  EXPECT_EQ(utf16Range(kText, 2, 4), (Range{3, 2}));
  EXPECT_EQ(utf16Range(kText, 0, 9), std::nullopt);
  // The selected text keeps the combining mark with its letter.
  EXPECT_EQ(characterSubstring(kText, 2, 4), "e\xCC\x81");
  EXPECT_EQ(characterSubstring(kText, 4, 5), "!");
  EXPECT_EQ(characterSubstring(kText, 3, 3), "");
}

TEST(TextOffsets, ALongTextReadInPiecesConvertsAsAWholeOne) {
  // Far past the first few thousand characters, and grown piece by piece as the text is read.
  const std::string before(10000, 'a');
  TextPrefix prefix(before.substr(0, 4321));
  prefix.append(before.substr(4321));
  prefix.append(kText);
  prefix.append("z");
  EXPECT_EQ(prefix.characters(), 10006);
  EXPECT_EQ(prefix.units(), 10007);
  EXPECT_EQ(prefix.utf16Offset(10002), 10003);
  EXPECT_EQ(prefix.characterOffset(10002), 10001);  // inside the emoji
  EXPECT_EQ(prefix.characterOffset(10007), 10006);
  EXPECT_EQ(prefix.substring(9999, 10003),
            "aa\xF0\x9F\x98\x80"
            "e");
  EXPECT_EQ(prefix.substring(10005, 10009), "z");  // as far as it holds
}

// "a😀b" as three toolkits answer it: characters (GTK), UTF-16 units (Qt, LibreOffice, Chromium),
// and characters with the emoji padded by U+FEFF (Firefox).
constexpr char kEmoji[] = "\xF0\x9F\x98\x80";
constexpr char kPadded[] =
    "a\xF0\x9F\x98\x80\xEF\xBB\xBF"
    "b";

TEST(TextOffsets, TheFirstEmojiReadTellsHowTheElementCounts) {
  const std::string text = std::string("a") + kEmoji + "b";
  EXPECT_EQ(countsUtf16Units(3, text), false);
  EXPECT_EQ(countsUtf16Units(4, text), true);
  EXPECT_EQ(countsUtf16Units(4, kPadded), false);
  EXPECT_EQ(countsUtf16Units(3, "abc"), std::nullopt);
}

TEST(TextOffsets, UnitsAndPaddedCharactersConvertBothWaysAndLoseThePadding) {
  TextPrefix utf16;
  utf16.countUtf16Units();
  utf16.append(std::string("a") + kEmoji + "b");
  const TextPrefix padded(kPadded);
  for (const TextPrefix* prefix : std::initializer_list<const TextPrefix*>{&utf16, &padded}) {
    SCOPED_TRACE(prefix == &utf16 ? "UTF-16 units" : "padded");
    // The element's offsets are the boundary's here: "b" at 3, the end at 4.
    EXPECT_EQ(prefix->utf16Offset(3), 3);
    EXPECT_EQ(prefix->characterOffset(3), 3);
    EXPECT_EQ(prefix->units(), 4);
    const auto span = prefix->characterSpan(Range{1, 2});
    ASSERT_TRUE(span);
    EXPECT_EQ(prefix->substring(span->start, span->end), kEmoji);
    EXPECT_EQ(prefix->substring(0, 4), std::string("a") + kEmoji + "b");
    EXPECT_EQ(prefix->text(), std::string("a") + kEmoji + "b");
  }
  EXPECT_EQ(withoutPadding("\xEF\xBB\xBF"
                           "b",
                           U'\U0001F600'),
            "b");
  EXPECT_EQ(withoutPadding("a\xEF\xBB\xBF"), "a\xEF\xBB\xBF");  // a U+FEFF of its own stays
}

}  // namespace
}  // namespace axb::platform::atspi
