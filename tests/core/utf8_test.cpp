// Well-formedness of UTF-8 as Unicode defines it: what the platform may normalise and what must
// be left alone. Text crossing between UTF-8 and the platform's UTF-16: nothing is lost for
// well-formed text, and broken text degrades to U+FFFD instead of being cut short.
#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace axb::testing {
namespace {

using utf8::isWellFormed;
using Units = std::vector<std::uint16_t>;

std::string fromUnits(const Units& units) {
  return utf8::fromUtf16(units.data(), units.size());
}

TEST(Utf8Test, WellFormedTextOfEveryEncodingLength) {
  EXPECT_TRUE(isWellFormed(""));
  EXPECT_TRUE(isWellFormed("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"));  // a é € 😀 z
  EXPECT_TRUE(isWellFormed(std::string("a\0b", 3)));
  EXPECT_TRUE(isWellFormed("\xEF\xBF\xBD"));      // U+FFFD itself
  EXPECT_TRUE(isWellFormed("\xF4\x8F\xBF\xBF"));  // U+10FFFF
  EXPECT_TRUE(isWellFormed("\xEF\xBF\xBE"));      // a noncharacter is still a scalar value
}

TEST(Utf8Test, IllFormedSequencesAnywhereInTheText) {
  EXPECT_FALSE(isWellFormed("\xFF"));
  EXPECT_FALSE(isWellFormed("a\x80"));             // stray continuation byte
  EXPECT_FALSE(isWellFormed("\xC0\xAF"));          // overlong
  EXPECT_FALSE(isWellFormed("\xE0\x80\xAF"));      // overlong
  EXPECT_FALSE(isWellFormed("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(isWellFormed("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(isWellFormed("z\xE2\x82"));         // truncated at the end
  // Three bytes long and decoded as U+FFFD, but not its encoding.
  EXPECT_FALSE(isWellFormed("\xF0\x9F\x98z"));
  EXPECT_FALSE(isWellFormed("\xEF\xBF\xBD\xFF"));
}

TEST(Utf8Test, RepairReplacesEachMaximalSubpartOnce) {
  EXPECT_EQ(utf8::toWellFormed("a\xC3\xA9z"), "a\xC3\xA9z");
  // A truncated four-byte sequence is one subpart, and the character after it is kept.
  EXPECT_EQ(utf8::toWellFormed("\xF0\x9F\x98z"), "\xEF\xBF\xBDz");
  EXPECT_EQ(utf8::toWellFormed("z\xE2\x82"), "z\xEF\xBF\xBD");
  // Bytes that can never start a well-formed sequence are one subpart each.
  EXPECT_EQ(utf8::toWellFormed("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(utf8::toWellFormed("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8Test, Utf16LengthCountsSurrogatePairsAndRepairedSequences) {
  EXPECT_EQ(utf8::utf16Length(""), 0u);
  EXPECT_EQ(utf8::utf16Length("a\xC3\xA9\xE2\x82\xAC"), 3u);  // a é €
  EXPECT_EQ(utf8::utf16Length("\xF0\x9F\x98\x80"), 2u);       // 😀, one surrogate pair
  // e and a combining acute accent: two code points, two units, one character on screen.
  EXPECT_EQ(utf8::utf16Length("e\xCC\x81"), 2u);
  // A family emoji: three emoji joined by two zero-width joiners.
  EXPECT_EQ(utf8::utf16Length("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D"
                              "\xF0\x9F\x91\xA7"),
            8u);
  EXPECT_EQ(utf8::utf16Length("\xF0\x9F\x98z"), 2u);  // U+FFFD and z
  EXPECT_EQ(utf8::utf16Length("\xC0\xAF"), 2u);
}

TEST(Utf8Test, WellFormedTextRoundTripsThroughUtf16InEveryEncodingLength) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € 😀 z
  const Units units = utf8::toUtf16(text);
  EXPECT_EQ(units, (Units{'a', 0xE9, 0x20AC, 0xD83D, 0xDE00, 'z'}));
  EXPECT_EQ(fromUnits(units), text);
  const std::string combining = "e\xCC\x81";
  EXPECT_EQ(utf8::toUtf16(combining), (Units{'e', 0x301}));
  EXPECT_EQ(fromUnits(utf8::toUtf16(combining)), combining);
}

TEST(Utf8Test, EmbeddedNulAndEmptyTextSurviveUtf16) {
  const std::string text("x\0y", 3);
  EXPECT_EQ(fromUnits(utf8::toUtf16(text)), text);
  EXPECT_TRUE(utf8::toUtf16("").empty());
  EXPECT_EQ(utf8::fromUtf16(nullptr, 0), "");
}

TEST(Utf8Test, UnpairedSurrogatesBecomeReplacementCharacters) {
  // A selection that ends inside an emoji, a reversed pair, and a lone low surrogate.
  EXPECT_EQ(fromUnits({'a', 0xD83D}), "a\xEF\xBF\xBD");
  EXPECT_EQ(fromUnits({0xDE00, 0xD83D, 'b'}),
            "\xEF\xBF\xBD\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(fromUnits({0xD83D, 0xD83D, 0xDE00}), "\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

TEST(Utf8Test, IllFormedUtf8BecomesOneReplacementUnitPerMaximalSubpart) {
  EXPECT_EQ(utf8::toUtf16("\xFF"), Units{0xFFFD});
  EXPECT_EQ(utf8::toUtf16("\xC0\xAF"), (Units{0xFFFD, 0xFFFD}));              // overlong
  EXPECT_EQ(utf8::toUtf16("\xED\xA0\x80"), (Units{0xFFFD, 0xFFFD, 0xFFFD}));  // surrogate
  EXPECT_EQ(utf8::toUtf16("\xF4\x90\x80\x80"),                                // above U+10FFFF
            (Units{0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}));
  EXPECT_EQ(utf8::toUtf16("\xF0\x9F\x98z"), (Units{0xFFFD, 'z'}));
  EXPECT_EQ(utf8::toUtf16("z\xE2\x82"), (Units{'z', 0xFFFD}));
}

}  // namespace
}  // namespace axb::testing
