// A caret's rectangle from the answers a browser gave: a zero-size rectangle at the origin now
// and then where other requests still place the caret.
#include "platform/linux/atspi/caret_bounds.h"

#include <gtest/gtest.h>

#include <map>

namespace axb::platform::atspi {
namespace {

constexpr Rect kZero{};
constexpr Rect kBox{100, 50, 8, 16};

TEST(CaretBounds, AZeroRectangleFallsBackToTheRangeThenTheNeighbouringCharacter) {
  struct Case {
    std::map<CaretSource, Answer<Rect>> answers;  // sources not listed fail
    Answer<Rect> expected;
  };
  const Answer<Rect> box{axerr::kSuccess, kBox};
  const Answer<Rect> zero{axerr::kSuccess, kZero};
  const Case cases[] = {
      {{{CaretSource::kCharacter, box}}, {axerr::kSuccess, {100, 50, 0, 16}}},
      {{{CaretSource::kCharacter, zero}, {CaretSource::kCharacterRange, box}},
       {axerr::kSuccess, {100, 50, 0, 16}}},
      {{{CaretSource::kCharacter, zero},
        {CaretSource::kCharacterRange, zero},
        {CaretSource::kPreviousCharacter, box},
        {CaretSource::kNextCharacter, {axerr::kSuccess, {1, 1, 1, 1}}}},
       {axerr::kSuccess, {108, 50, 0, 16}}},
      {{{CaretSource::kCharacter, zero}, {CaretSource::kNextCharacter, box}},
       {axerr::kSuccess, {100, 50, 0, 16}}},
      {{{CaretSource::kCharacter, zero}}, {axerr::kNoValue, {}}},
      {{{CaretSource::kCharacter, {axerr::kCannotComplete, {}}},
        {CaretSource::kNextCharacter, box}},
       {axerr::kCannotComplete, {}}},
  };
  for (const Case& test : cases) {
    const Answer<Rect> caret = caretBounds([&test](CaretSource source) {
      const auto found = test.answers.find(source);
      return found == test.answers.end() ? Answer<Rect>{axerr::kFailure, {}} : found->second;
    });
    EXPECT_EQ(caret.error, test.expected.error);
    EXPECT_EQ(caret.value, test.expected.value);
  }
}

}  // namespace
}  // namespace axb::platform::atspi
