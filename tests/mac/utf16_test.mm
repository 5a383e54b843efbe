// Text crossing between the platform's UTF-16 and the library's UTF-8: nothing is lost for
// well-formed text, and broken text degrades to U+FFFD instead of being cut short.
#include "platform/mac/utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace axb::platform::mac {
namespace {

std::string toUtf8(const std::vector<std::uint16_t>& units) {
  return utf8FromUtf16(units.data(), units.size());
}

TEST(Utf16Test, WellFormedTextRoundTripsInEveryEncodingLength) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € 😀 z
  const std::vector<std::uint16_t> units = utf16FromUtf8(text);
  EXPECT_EQ(units, (std::vector<std::uint16_t>{'a', 0xE9, 0x20AC, 0xD83D, 0xDE00, 'z'}));
  EXPECT_EQ(toUtf8(units), text);
}

TEST(Utf16Test, EmbeddedNulAndEmptyTextSurvive) {
  const std::string text("x\0y", 3);
  EXPECT_EQ(toUtf8(utf16FromUtf8(text)), text);
  EXPECT_TRUE(utf16FromUtf8("").empty());
  EXPECT_EQ(utf8FromUtf16(nullptr, 0), "");
}

TEST(Utf16Test, UnpairedSurrogatesBecomeReplacementCharacters) {
  // A selection that ends inside an emoji, a reversed pair, and a lone low surrogate.
  EXPECT_EQ(toUtf8({'a', 0xD83D}), "a\xEF\xBF\xBD");
  EXPECT_EQ(toUtf8({0xDE00, 0xD83D, 'b'}), "\xEF\xBF\xBD\xEF\xBF\xBD"
                                           "b");
  EXPECT_EQ(toUtf8({0xD83D, 0xD83D, 0xDE00}), "\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

TEST(Utf16Test, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart) {
  const std::vector<std::uint16_t> fffd{0xFFFD};
  EXPECT_EQ(utf16FromUtf8("\xFF"), fffd);
  EXPECT_EQ(utf16FromUtf8("\xC0\xAF"), (std::vector<std::uint16_t>{0xFFFD, 0xFFFD}));  // overlong
  EXPECT_EQ(utf16FromUtf8("\xED\xA0\x80"),                                             // surrogate
            (std::vector<std::uint16_t>{0xFFFD, 0xFFFD, 0xFFFD}));
  EXPECT_EQ(utf16FromUtf8("\xF4\x90\x80\x80"),  // above U+10FFFF
            (std::vector<std::uint16_t>{0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}));
  // A truncated four-byte sequence is one subpart, and the next character is kept.
  EXPECT_EQ(utf16FromUtf8("\xF0\x9F\x98z"), (std::vector<std::uint16_t>{0xFFFD, 'z'}));
  EXPECT_EQ(utf16FromUtf8("z\xE2\x82"), (std::vector<std::uint16_t>{'z', 0xFFFD}));
}

}  // namespace
}  // namespace axb::platform::mac
