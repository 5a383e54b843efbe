// Rectangles of toolkits that answer relative to their window, or only character by character:
// a window of 400 by 300 at (100, 50) whose client-side decorations draw a shadow of 23 pixels
// at the left and top, and a monospaced text of 8 by 16 pixel cells, 10 characters per line.
#include <gtest/gtest.h>

#include "platform/linux/atspi/line_boxes.h"
#include "platform/linux/x11/frame_extents.h"

namespace axb::platform::atspi {
namespace {

TEST(WindowCoordinates, TheShadowOfClientSideDecorationsIsNotContent) {
  using x11::contentOrigin, x11::FrameExtents, x11::onScreen;
  const Point origin = contentOrigin({100, 50}, FrameExtents{23, 25, 23, 27});
  EXPECT_EQ(onScreen({8, 48, 4, 16}, origin), (Rect{131, 121, 4, 16}));
  EXPECT_EQ(onScreen({8, 48, 4, 16}, contentOrigin({100, 50}, {})), (Rect{108, 98, 4, 16}));
}

// "0123456789\n" lines: each line holds 10 characters and a line break.
Answer<LineSpan> line(std::int64_t offset) {
  const std::int64_t start = offset / 11 * 11;
  return {axerr::kSuccess, {start, start + 11, true}};
}

Answer<Rect> cell(std::int64_t offset) {
  const std::int64_t column = offset % 11;
  // Some toolkits place a line break at the start of the next line.
  if (column == 10) return {axerr::kSuccess, {0, 16.0 * (offset / 11 + 1), 8, 16}};
  return {axerr::kSuccess, {8.0 * column, 16.0 * (offset / 11), 8, 16}};
}

TEST(LineBoxes, TheRangeIsTheUnionOfItsLinesAsFarAsTheCap) {
  // From the 7th character of the first line to the 3rd of the second.
  EXPECT_EQ(lineBoxesBounds(6, 14, line, cell).value, (Rect{0, 0, 80, 32}));
  // Within one line, its characters alone, also with its line break.
  EXPECT_EQ(lineBoxesBounds(2, 5, line, cell).value, (Rect{16, 0, 24, 16}));
  EXPECT_EQ(lineBoxesBounds(6, 11, line, cell).value, (Rect{48, 0, 32, 16}));
  // A whole book: the lines beyond the cap do not count.
  EXPECT_EQ(lineBoxesBounds(0, 11 * 1000, line, cell).value.height, 16.0 * kMostLineBoxes);
  // Without lines, the first and last characters.
  const auto noLines = [](std::int64_t) { return Answer<LineSpan>{axerr::kFailure, {}}; };
  EXPECT_EQ(lineBoxesBounds(2, 14, noLines, cell).value, (Rect{16, 0, 8, 32}));
  // An application that stops answering ends it.
  const auto busy = [](std::int64_t offset) {
    return offset < 11 ? cell(offset) : Answer<Rect>{axerr::kCannotComplete, {}};
  };
  EXPECT_EQ(lineBoxesBounds(6, 14, line, busy).error, axerr::kCannotComplete);
  const auto none = [](std::int64_t) { return Answer<Rect>{axerr::kFailure, {}}; };
  EXPECT_EQ(lineBoxesBounds(6, 14, line, none).error, axerr::kNoValue);
}

}  // namespace
}  // namespace axb::platform::atspi
