#include "platform/linux/atspi/line_boxes.h"

#include <algorithm>
#include <optional>

#include "platform/linux/atspi/caret_bounds.h"

namespace axb::platform::atspi {
namespace {

bool ends(AXErrorCode error) {
  return error == axerr::kCannotComplete || error == axerr::kInvalidUIElement;
}

}  // namespace

Rect unionOf(const Rect& a, const Rect& b) {
  const double left = std::min(a.x, b.x);
  const double top = std::min(a.y, b.y);
  const double right = std::max(a.x + a.width, b.x + b.width);
  const double bottom = std::max(a.y + a.height, b.y + b.height);
  return Rect{left, top, right - left, bottom - top};
}

Answer<Rect> lineBoxesBounds(std::int64_t start, std::int64_t end,
                             const std::function<Answer<LineSpan>(std::int64_t)>& lineAt,
                             const std::function<Answer<Rect>(std::int64_t)>& characterBox) {
  std::optional<Rect> bounds;
  const auto add = [&](std::int64_t offset) {
    const Answer<Rect> box = characterBox(offset);
    if (box.ok() && isRectangle(box.value))
      bounds = bounds ? unionOf(*bounds, box.value) : box.value;
    return box.error;
  };
  std::int64_t offset = start;
  for (int lines = 0; offset < end && lines < kMostLineBoxes; ++lines) {
    const Answer<LineSpan> line = lineAt(offset);
    if (ends(line.error)) return {line.error, {}};
    // Without lines, the range's own first and last characters still place it.
    const bool known = line.ok() && line.value.start <= offset && line.value.end > offset;
    std::int64_t last = known ? std::min(line.value.end, end) - 1 : end - 1;
    // A line break has no place of its own on the line.
    if (known && line.value.endsWithBreak && last == line.value.end - 1 && last > offset) --last;
    if (const AXErrorCode error = add(offset); ends(error)) return {error, {}};
    if (last != offset) {
      if (const AXErrorCode error = add(last); ends(error)) return {error, {}};
    }
    offset = known ? line.value.end : end;
  }
  if (!bounds) return {axerr::kNoValue, {}};
  return {axerr::kSuccess, *bounds};
}

}  // namespace axb::platform::atspi
