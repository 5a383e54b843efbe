#include "platform/linux/atspi/text_offsets.h"

#include <algorithm>
#include <limits>

#include "platform/utf8.h"

namespace axb::platform::atspi {
namespace {

constexpr std::int64_t kMarkEvery = 4096;

constexpr char32_t kPadding = 0xFEFF;

std::int64_t unitsOf(char32_t codePoint) {
  return codePoint >= 0x10000 ? 2 : 1;
}

// The boundary's units a character takes: none for the padding after a character outside the
// basic plane.
std::int64_t unitsAfter(char32_t previous, char32_t codePoint) {
  return codePoint == kPadding && previous >= 0x10000 ? 0 : unitsOf(codePoint);
}

}  // namespace

std::optional<bool> countsUtf16Units(std::int64_t asked, std::string_view answer) {
  std::int64_t characters = 0;
  std::int64_t units = 0;
  for (std::size_t i = 0; i < answer.size(); ++characters) {
    char32_t codePoint = 0;
    i += utf8::decode(answer, i, codePoint);
    units += unitsOf(codePoint);
  }
  if (units == characters) return std::nullopt;
  if (characters == asked) return false;
  if (units == asked) return true;
  return std::nullopt;
}

std::string withoutPadding(std::string_view text, char32_t previous) {
  std::string kept;
  kept.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t codePoint = 0;
    const std::size_t length = utf8::decode(text, i, codePoint);
    if (codePoint != kPadding || previous < 0x10000) kept.append(text.substr(i, length));
    previous = codePoint;
    i += length;
  }
  return kept;
}

void TextPrefix::append(std::string_view more) {
  text_.reserve(text_.size() + more.size());
  std::size_t i = 0;
  while (i < more.size()) {
    if (characters_ >= static_cast<std::int64_t>(marks_.size()) * kMarkEvery) {
      marks_.push_back({text_.size() + i, characters_, units_, last_});
    }
    char32_t codePoint = 0;
    i += utf8::decode(more, i, codePoint);
    characters_ += utf16Offsets_ ? unitsOf(codePoint) : 1;
    units_ += unitsAfter(last_, codePoint);
    last_ = codePoint;
  }
  text_.append(more);
}

TextPrefix::Mark TextPrefix::next(Mark mark) const {
  char32_t codePoint = 0;
  mark.byte += utf8::decode(text_, mark.byte, codePoint);
  mark.characters += utf16Offsets_ ? unitsOf(codePoint) : 1;
  mark.units += unitsAfter(mark.previous, codePoint);
  mark.previous = codePoint;
  return mark;
}

TextPrefix::Mark TextPrefix::seek(std::int64_t target, std::int64_t Mark::*key) const {
  const auto after =
      std::upper_bound(marks_.begin(), marks_.end(), target,
                       [key](std::int64_t value, const Mark& mark) { return value < mark.*key; });
  Mark mark = after == marks_.begin() ? Mark{} : *(after - 1);
  while (mark.byte < text_.size()) {
    const Mark following = next(mark);
    if (following.*key > target) break;
    mark = following;
  }
  return mark;
}

std::optional<std::int64_t> TextPrefix::utf16Offset(std::int64_t characters) const {
  if (characters < 0 || characters > characters_) return std::nullopt;
  const Mark mark = seek(characters, &Mark::characters);
  // Inside a surrogate pair of an element counting UTF-16 units: the same unit.
  return mark.units + (characters - mark.characters);
}

std::optional<std::int64_t> TextPrefix::characterOffset(std::int64_t units) const {
  if (units < 0 || units > units_) return std::nullopt;
  // The second half of a surrogate pair belongs to the character the first half starts.
  return seek(units, &Mark::units).characters;
}

std::optional<CharacterSpan> TextPrefix::characterSpan(Range range) const {
  if (range.location < 0 || range.length < 0) return std::nullopt;
  if (range.length > std::numeric_limits<std::int64_t>::max() - range.location) return std::nullopt;
  const std::int64_t endUnits = range.location + range.length;
  if (range.location > units_ || endUnits > units_) return std::nullopt;
  Mark end = seek(endUnits, &Mark::units);
  // A range ending inside a surrogate pair takes the whole character.
  if (end.units < endUnits) end = next(end);
  return CharacterSpan{seek(range.location, &Mark::units).characters, end.characters};
}

std::optional<Range> TextPrefix::utf16Range(std::int64_t start, std::int64_t end) const {
  const auto from = utf16Offset(std::min(start, end));
  const auto to = utf16Offset(std::max(start, end));
  if (!from || !to) return std::nullopt;
  return Range{*from, *to - *from};
}

std::string TextPrefix::substring(std::int64_t start, std::int64_t end) const {
  if (end <= start) return {};
  const Mark from = seek(start, &Mark::characters);
  const Mark to = seek(end, &Mark::characters);
  return withoutPadding(std::string_view(text_).substr(from.byte, to.byte - from.byte),
                        from.previous);
}

std::optional<std::int64_t> utf16Offset(std::string_view text, std::int64_t characters) {
  return TextPrefix(text).utf16Offset(characters);
}

std::optional<std::int64_t> characterOffset(std::string_view text, std::int64_t units) {
  return TextPrefix(text).characterOffset(units);
}

std::optional<CharacterSpan> characterSpan(std::string_view text, Range range) {
  return TextPrefix(text).characterSpan(range);
}

std::optional<Range> utf16Range(std::string_view text, std::int64_t start, std::int64_t end) {
  return TextPrefix(text).utf16Range(start, end);
}

std::string characterSubstring(std::string_view text, std::int64_t start, std::int64_t end) {
  return TextPrefix(text).substring(start, end);
}

}  // namespace axb::platform::atspi
