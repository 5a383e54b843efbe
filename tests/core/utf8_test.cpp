// Well-formedness of UTF-8 as Unicode defines it: what the platform may normalise and what must
// be left alone. Text crossing between UTF-8 and the platform's UTF-16: nothing is lost for
// well-formed text, and broken text degrades to one U+FFFD per maximal subpart instead of being
// cut short.
#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace axb::testing {
namespace {

using Units = std::vector<std::uint16_t>;
constexpr std::uint16_t kFFFD = 0xFFFD;

std::string fromUnits(const Units& units) {
  return utf8::fromUtf16(units.data(), units.size());
}

// Each text with its UTF-16 form: well-formed text round-trips through it, ill-formed text
// comes back repaired.
struct Case {
  std::string text;
  Units units;
};

TEST(Utf8Test, WellFormedTextRoundTripsThroughUtf16) {
  for (const Case& c : std::vector<Case>{
           {"", {}},
           {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z", {'a', 0xE9, 0x20AC, 0xD83D, 0xDE00, 'z'}},
           {std::string("x\0y", 3), {'x', 0, 'y'}},
           {"e\xCC\x81", {'e', 0x301}},  // two code points, one character on screen
           {"\xEF\xBF\xBD", {kFFFD}},
           {"\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}},  // U+10FFFF
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_TRUE(utf8::isWellFormed(c.text));
    EXPECT_EQ(utf8::toWellFormed(c.text), c.text);
    EXPECT_EQ(utf8::toUtf16(c.text), c.units);
    EXPECT_EQ(utf8::utf16Length(c.text), c.units.size());
    EXPECT_EQ(fromUnits(c.units), c.text);
  }
  EXPECT_EQ(utf8::fromUtf16(nullptr, 0), "");
}

TEST(Utf8Test, IllFormedUtf8AndUnpairedSurrogatesBecomeReplacementCharacters) {
  for (const Case& c : std::vector<Case>{
           {"\xFF", {kFFFD}},
           {"a\x80", {'a', kFFFD}},                             // stray continuation byte
           {"\xC0\xAF", {kFFFD, kFFFD}},                        // overlong: never a start
           {"\xE0\x80\xAF", {kFFFD, kFFFD, kFFFD}},             // overlong
           {"\xED\xA0\x80", {kFFFD, kFFFD, kFFFD}},             // surrogate
           {"\xF4\x90\x80\x80", {kFFFD, kFFFD, kFFFD, kFFFD}},  // above U+10FFFF
           {"z\xE2\x82", {'z', kFFFD}},                         // truncated at the end
           // A truncated four-byte sequence is one subpart, and the character after it is kept.
           {"\xF0\x9F\x98z", {kFFFD, 'z'}},
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_FALSE(utf8::isWellFormed(c.text));
    EXPECT_EQ(utf8::toUtf16(c.text), c.units);
    EXPECT_EQ(utf8::utf16Length(c.text), c.units.size());
    EXPECT_EQ(utf8::toWellFormed(c.text), fromUnits(c.units));
  }
  // So do unpaired surrogates: a selection that ends inside an emoji, a reversed pair, and a lone
  // high surrogate before a pair.
  EXPECT_EQ(fromUnits({'a', 0xD83D}), "a\xEF\xBF\xBD");
  EXPECT_EQ(fromUnits({0xDE00, 0xD83D, 'b'}),
            "\xEF\xBF\xBD\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(fromUnits({0xD83D, 0xD83D, 0xDE00}), "\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace axb::testing
