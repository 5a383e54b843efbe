#include "platform/linux/text_offsets.h"

#include <algorithm>
#include <limits>

#include "platform/utf8.h"

namespace axb::platform::linux_desktop {
namespace {

constexpr std::int64_t kMarkEvery = 4096;

std::int64_t unitsOf(char32_t codePoint) {
  return codePoint >= 0x10000 ? 2 : 1;
}

}  // namespace

void TextPrefix::append(std::string_view more) {
  text_.reserve(text_.size() + more.size());
  std::size_t i = 0;
  while (i < more.size()) {
    if (characters_ % kMarkEvery == 0) marks_.push_back({text_.size() + i, units_});
    char32_t codePoint = 0;
    i += utf8::decode(more, i, codePoint);
    units_ += unitsOf(codePoint);
    ++characters_;
  }
  text_.append(more);
}

TextPrefix::Mark TextPrefix::seek(std::int64_t characters) const {
  characters = std::clamp<std::int64_t>(characters, 0, characters_);
  if (characters == characters_) return {text_.size(), units_};
  const std::size_t index = static_cast<std::size_t>(characters / kMarkEvery);
  Mark mark = marks_[index];
  for (std::int64_t at = static_cast<std::int64_t>(index) * kMarkEvery; at < characters; ++at) {
    char32_t codePoint = 0;
    mark.byte += utf8::decode(text_, mark.byte, codePoint);
    mark.units += unitsOf(codePoint);
  }
  return mark;
}

std::optional<std::int64_t> TextPrefix::utf16Offset(std::int64_t characters) const {
  if (characters < 0 || characters > characters_) return std::nullopt;
  return seek(characters).units;
}

std::optional<std::int64_t> TextPrefix::characterOffset(std::int64_t units) const {
  if (units < 0 || units > units_) return std::nullopt;
  // The last mark at or before the offset, then character by character.
  const auto after =
      std::upper_bound(marks_.begin(), marks_.end(), units,
                       [](std::int64_t value, const Mark& mark) { return value < mark.units; });
  if (after == marks_.begin()) return 0;
  const std::size_t index = static_cast<std::size_t>(after - marks_.begin()) - 1;
  Mark mark = marks_[index];
  std::int64_t characters = static_cast<std::int64_t>(index) * kMarkEvery;
  while (mark.units < units) {
    char32_t codePoint = 0;
    mark.byte += utf8::decode(text_, mark.byte, codePoint);
    const std::int64_t width = unitsOf(codePoint);
    // The second half of a surrogate pair belongs to the character the first half starts.
    if (mark.units + width > units) return characters;
    mark.units += width;
    ++characters;
  }
  return characters;
}

std::optional<CharacterSpan> TextPrefix::characterSpan(Range range) const {
  if (range.location < 0 || range.length < 0) return std::nullopt;
  if (range.length > std::numeric_limits<std::int64_t>::max() - range.location) return std::nullopt;
  const auto start = characterOffset(range.location);
  if (!start) return std::nullopt;
  const auto end = characterOffset(range.location + range.length);
  if (!end) return std::nullopt;
  // A range ending inside a surrogate pair takes the whole character.
  const auto endUnits = utf16Offset(*end);
  const std::int64_t last = endUnits && *endUnits < range.location + range.length ? *end + 1 : *end;
  return CharacterSpan{*start, last};
}

std::optional<Range> TextPrefix::utf16Range(std::int64_t start, std::int64_t end) const {
  const auto from = utf16Offset(std::min(start, end));
  const auto to = utf16Offset(std::max(start, end));
  if (!from || !to) return std::nullopt;
  return Range{*from, *to - *from};
}

std::string_view TextPrefix::substring(std::int64_t start, std::int64_t end) const {
  if (end <= start) return {};
  const std::size_t from = seek(start).byte;
  return std::string_view(text_).substr(from, seek(end).byte - from);
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
  return std::string(TextPrefix(text).substring(start, end));
}

}  // namespace axb::platform::linux_desktop
