// The one place where text offsets change units: AT-SPI counts characters (Unicode scalar
// values), the boundary counts UTF-16 code units, as macOS does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/geometry.h"

namespace axb::platform::linux_desktop {

// The UTF-16 offset of the character offset in the UTF-8 text; nothing past its end.
std::optional<std::int64_t> utf16Offset(std::string_view text, std::int64_t characters);

// The character offset of a UTF-16 offset in the text; nothing past its end. An offset inside a
// surrogate pair falls on the character it belongs to.
std::optional<std::int64_t> characterOffset(std::string_view text, std::int64_t units);

// A UTF-16 range as a pair of character offsets (start, end); nothing when it runs past the text.
struct CharacterSpan {
  std::int64_t start = 0;
  std::int64_t end = 0;
};
std::optional<CharacterSpan> characterSpan(std::string_view text, Range range);

// Character offsets (in either order) as a UTF-16 range.
std::optional<Range> utf16Range(std::string_view text, std::int64_t start, std::int64_t end);

// The characters from start to end (character offsets, start <= end) of the UTF-8 text.
std::string characterSubstring(std::string_view text, std::int64_t start, std::int64_t end);

}  // namespace axb::platform::linux_desktop
