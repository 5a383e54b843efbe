// A range's rectangle built from its lines, for toolkits that answer the extents of characters
// but refuse those of ranges: each line's box spans the extents of its first and last character
// in the range, and the range's rectangle is the union of the boxes.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/linux/atspi/accessible_reads.h"

namespace axb::platform::atspi {

// A line of the text, from start to end (character offsets; end is past its line break).
struct LineSpan {
  std::int64_t start = 0;
  std::int64_t end = 0;
  bool endsWithBreak = false;
};

// Lines beyond this many do not widen the rectangle: a selection of a whole book must not cost
// thousands of requests.
inline constexpr int kMostLineBoxes = 64;

Rect unionOf(const Rect& a, const Rect& b);

// The rectangle of the range from start to end (start < end). A request that fails because the
// application does not answer or the element is gone ends the search with its error; a range
// none of whose characters answers a rectangle has no value.
Answer<Rect> lineBoxesBounds(std::int64_t start, std::int64_t end,
                             const std::function<Answer<LineSpan>(std::int64_t)>& lineAt,
                             const std::function<Answer<Rect>(std::int64_t)>& characterBox);

}  // namespace axb::platform::atspi
