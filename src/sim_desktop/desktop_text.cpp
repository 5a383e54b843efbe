#include "sim_desktop/desktop_text.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <vector>

#include "platform/utf8.h"
#include "sim_desktop/desktop.h"

namespace axb::sim {
namespace {

struct CodePoint {
  std::size_t byte = 0;   // offset of its first byte
  std::size_t bytes = 0;  // length in UTF-8
  std::int64_t unit = 0;  // offset of its first UTF-16 unit
  int units = 0;          // 1, or 2 for a surrogate pair
  bool newline = false;
};

std::vector<CodePoint> decode(std::string_view text) {
  std::vector<CodePoint> points;
  std::size_t at = 0;
  std::int64_t unit = 0;
  while (at < text.size()) {
    char32_t codePoint = 0;
    const std::size_t length = utf8::decode(text, at, codePoint);
    const int units = codePoint >= 0x10000 ? 2 : 1;
    points.push_back({at, length, unit, units, codePoint == '\n'});
    at += length;
    unit += units;
  }
  return points;
}

std::int64_t totalUnits(const std::vector<CodePoint>& points) {
  return points.empty() ? 0 : points.back().unit + points.back().units;
}

// The code point whose units contain the offset strictly inside (a split surrogate pair).
const CodePoint* splitAt(const std::vector<CodePoint>& points, std::int64_t offset) {
  auto it = std::upper_bound(points.begin(), points.end(), offset,
                             [](std::int64_t value, const CodePoint& p) { return value < p.unit; });
  if (it == points.begin()) return nullptr;
  const CodePoint& candidate = *std::prev(it);
  if (offset > candidate.unit && offset < candidate.unit + candidate.units) return &candidate;
  return nullptr;
}

std::size_t byteOffsetOf(const std::vector<CodePoint>& points, std::size_t textSize,
                         std::int64_t unitOffset) {
  for (const auto& p : points) {
    if (p.unit >= unitOffset) return p.byte;
  }
  return textSize;
}

std::int64_t saturatingEnd(Range range) {
  const std::int64_t length = std::max<std::int64_t>(range.length, 0);
  if (range.location > std::numeric_limits<std::int64_t>::max() - length) {
    return std::numeric_limits<std::int64_t>::max();
  }
  return range.location + length;
}

Range clampDecoded(const std::vector<CodePoint>& points, Range range) {
  const std::int64_t total = totalUnits(points);
  std::int64_t start = std::clamp<std::int64_t>(range.location, 0, total);
  std::int64_t end = std::clamp<std::int64_t>(saturatingEnd(range), start, total);
  const bool empty = end == start;
  if (const auto* split = splitAt(points, start)) start = split->unit;
  if (empty) {
    end = start;
  } else if (const auto* split = splitAt(points, end)) {
    end = split->unit + split->units;
  }
  return {start, end - start};
}

struct GridPosition {
  std::int64_t line = 0;
  std::int64_t column = 0;
};

GridPosition positionOf(const std::vector<CodePoint>& points, std::int64_t offset) {
  GridPosition position;
  for (const auto& p : points) {
    if (p.unit >= offset) break;
    if (p.newline) {
      ++position.line;
      position.column = 0;
    } else {
      position.column += p.units;
    }
  }
  return position;
}

}  // namespace

std::int64_t textLength(std::string_view text) {
  return static_cast<std::int64_t>(utf8::utf16Length(text));
}

Range clampRange(std::string_view text, Range range) {
  return clampDecoded(decode(text), range);
}

bool rangeWithin(std::string_view text, Range range) {
  return range.location >= 0 && range.length >= 0 &&
         range.location <= textLength(text) - range.length;
}

std::string substringUtf16(std::string_view text, Range range) {
  const auto points = decode(text);
  const Range clamped = clampDecoded(points, range);
  const auto begin = byteOffsetOf(points, text.size(), clamped.location);
  const auto end = byteOffsetOf(points, text.size(), clamped.location + clamped.length);
  return std::string(text.substr(begin, end - begin));
}

std::string replaceUtf16(std::string_view text, Range range, std::string_view inserted) {
  const auto points = decode(text);
  const Range clamped = clampDecoded(points, range);
  const auto begin = byteOffsetOf(points, text.size(), clamped.location);
  const auto end = byteOffsetOf(points, text.size(), clamped.location + clamped.length);
  std::string out(text.substr(0, begin));
  out.append(inserted);
  out.append(text.substr(end));
  return out;
}

Point caretPosition(std::string_view text, std::int64_t offset, const Rect& frame) {
  const auto points = decode(text);
  const auto clamped = clampDecoded(points, {offset, 0});
  const auto position = positionOf(points, clamped.location);
  return {frame.x + kTextInset + static_cast<double>(position.column) * kCharAdvance,
          frame.y + kTextInset + static_cast<double>(position.line) * kLineHeight};
}

Rect boundsForRange(std::string_view text, Range range, const Rect& frame) {
  const auto points = decode(text);
  const Range clamped = clampDecoded(points, range);
  if (clamped.length == 0) {
    const auto caret = caretPosition(text, clamped.location, frame);
    return {caret.x, caret.y, 0, kLineHeight};
  }
  // Union of the cells of the range's characters; a newline takes one cell at its line's end.
  const std::int64_t end = clamped.location + clamped.length;
  std::int64_t firstLine = -1, lastLine = 0;
  std::int64_t minColumn = std::numeric_limits<std::int64_t>::max(), maxColumn = 0;
  GridPosition position;
  for (const auto& p : points) {
    if (p.unit >= end) break;
    if (p.unit >= clamped.location) {
      if (firstLine < 0) firstLine = position.line;
      lastLine = position.line;
      minColumn = std::min(minColumn, position.column);
      maxColumn = std::max(maxColumn, position.column + p.units);
    }
    if (p.newline) {
      ++position.line;
      position.column = 0;
    } else {
      position.column += p.units;
    }
  }
  return {frame.x + kTextInset + static_cast<double>(minColumn) * kCharAdvance,
          frame.y + kTextInset + static_cast<double>(firstLine) * kLineHeight,
          static_cast<double>(maxColumn - minColumn) * kCharAdvance,
          static_cast<double>(lastLine - firstLine + 1) * kLineHeight};
}

}  // namespace axb::sim
