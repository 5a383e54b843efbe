// Well-formedness of UTF-8 as Unicode defines it: what the platform may normalise and what must
// be left alone.
#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace axb::testing {
namespace {

using utf8::isWellFormed;

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

}  // namespace
}  // namespace axb::testing
