#include "platform/linux/text_offsets.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "platform/utf8.h"

namespace axb::platform::linux_desktop {

std::optional<std::int64_t> utf16Offset(std::string_view text, std::int64_t characters) {
  if (characters < 0) return std::nullopt;
  std::int64_t units = 0;
  std::size_t i = 0;
  for (std::int64_t seen = 0; seen < characters; ++seen) {
    if (i >= text.size()) return std::nullopt;
    char32_t codePoint = 0;
    i += utf8::decode(text, i, codePoint);
    units += codePoint >= 0x10000 ? 2 : 1;
  }
  return units;
}

std::optional<std::int64_t> characterOffset(std::string_view text, std::int64_t units) {
  if (units < 0) return std::nullopt;
  std::int64_t characters = 0;
  std::int64_t seen = 0;
  std::size_t i = 0;
  while (seen < units) {
    if (i >= text.size()) return std::nullopt;
    char32_t codePoint = 0;
    i += utf8::decode(text, i, codePoint);
    const std::int64_t width = codePoint >= 0x10000 ? 2 : 1;
    // The second half of a surrogate pair belongs to the character the first half starts.
    if (seen + width > units) return characters;
    seen += width;
    ++characters;
  }
  return characters;
}

std::optional<CharacterSpan> characterSpan(std::string_view text, Range range) {
  if (range.location < 0 || range.length < 0) return std::nullopt;
  if (range.length > std::numeric_limits<std::int64_t>::max() - range.location) return std::nullopt;
  const auto start = characterOffset(text, range.location);
  if (!start) return std::nullopt;
  const auto end = characterOffset(text, range.location + range.length);
  if (!end) return std::nullopt;
  // A range ending inside a surrogate pair takes the whole character.
  const auto endUnits = utf16Offset(text, *end);
  const std::int64_t last = endUnits && *endUnits < range.location + range.length ? *end + 1 : *end;
  return CharacterSpan{*start, last};
}

std::optional<Range> utf16Range(std::string_view text, std::int64_t start, std::int64_t end) {
  const auto from = utf16Offset(text, std::min(start, end));
  const auto to = utf16Offset(text, std::max(start, end));
  if (!from || !to) return std::nullopt;
  return Range{*from, *to - *from};
}

std::string characterSubstring(std::string_view text, std::int64_t start, std::int64_t end) {
  std::string selected;
  std::size_t i = 0;
  for (std::int64_t index = 0; i < text.size() && index < end; ++index) {
    char32_t codePoint = 0;
    const std::size_t length = utf8::decode(text, i, codePoint);
    if (index >= start) selected.append(text.substr(i, length));
    i += length;
  }
  return selected;
}

}  // namespace axb::platform::linux_desktop
