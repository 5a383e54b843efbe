// The one place where text offsets change units: AT-SPI counts characters (Unicode scalar
// values), the boundary counts UTF-16 code units, as macOS does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

namespace axb::platform::linux_desktop {

// A UTF-16 range as a pair of character offsets (start, end).
struct CharacterSpan {
  std::int64_t start = 0;
  std::int64_t end = 0;
};

// The start of a text as far as it was read, growing as more is read. Converting an offset needs
// the text before it: a mark every few thousand characters (where that character starts in bytes
// and in UTF-16 units) keeps each conversion short also in a text of many megabytes.
class TextPrefix {
 public:
  TextPrefix() = default;
  explicit TextPrefix(std::string_view text) { append(text); }

  // The characters that follow the ones read so far (whole characters, UTF-8).
  void append(std::string_view more);

  const std::string& text() const { return text_; }
  std::int64_t characters() const { return characters_; }
  std::int64_t units() const { return units_; }

  // The UTF-16 offset of a character offset; nothing past the end.
  std::optional<std::int64_t> utf16Offset(std::int64_t characters) const;
  // The character offset of a UTF-16 offset; nothing past the end. An offset inside a surrogate
  // pair falls on the character it belongs to.
  std::optional<std::int64_t> characterOffset(std::int64_t units) const;
  // A UTF-16 range as character offsets; a range ending inside a surrogate pair takes the whole
  // character; nothing when it runs past the end.
  std::optional<CharacterSpan> characterSpan(Range range) const;
  // Character offsets (in either order) as a UTF-16 range; nothing past the end.
  std::optional<Range> utf16Range(std::int64_t start, std::int64_t end) const;
  // The characters from start to end (start <= end), as far as the prefix holds them.
  std::string_view substring(std::int64_t start, std::int64_t end) const;

 private:
  struct Mark {
    std::size_t byte = 0;
    std::int64_t units = 0;
  };
  // Where character `characters` starts: its byte and unit offsets (clamped to the end).
  Mark seek(std::int64_t characters) const;

  std::string text_;
  std::vector<Mark> marks_;  // marks_[i] is where character i * kMarkEvery starts
  std::int64_t characters_ = 0;
  std::int64_t units_ = 0;
};

// The same conversions on a whole text.
std::optional<std::int64_t> utf16Offset(std::string_view text, std::int64_t characters);
std::optional<std::int64_t> characterOffset(std::string_view text, std::int64_t units);
std::optional<CharacterSpan> characterSpan(std::string_view text, Range range);
std::optional<Range> utf16Range(std::string_view text, std::int64_t start, std::int64_t end);
std::string characterSubstring(std::string_view text, std::int64_t start, std::int64_t end);

}  // namespace axb::platform::linux_desktop
