// The one place where text offsets change units. The boundary counts UTF-16 code units, as macOS
// does; an element counts its offsets in characters (Unicode scalar values: GTK) or in UTF-16
// units (Qt, LibreOffice, Chromium), and some pad each character outside the basic plane with
// U+FEFF (Firefox), a padding no text handed on keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

namespace axb::platform::atspi {

// Whether an element that answered `answer` when asked for its first `asked` offsets counts them
// in UTF-16 units; nothing when its answer cannot tell (no character outside the basic plane).
std::optional<bool> countsUtf16Units(std::int64_t asked, std::string_view answer);

// The text without the U+FEFF that directly follows each character outside the basic plane;
// `previous` is the character before the text, if known.
std::string withoutPadding(std::string_view text, char32_t previous = 0);

// A UTF-16 range as a pair of the element's offsets (start, end).
struct CharacterSpan {
  std::int64_t start = 0;
  std::int64_t end = 0;
};

// The start of a text as far as it was read, growing as more is read. "Characters" below are the
// element's own offsets (characters, or UTF-16 units once `countUtf16Units` was called); units
// are the boundary's, in the text without padding. Converting an offset needs the text before it:
// a mark every few thousand offsets (where that character starts in bytes, offsets and units)
// keeps each conversion short also in a text of many megabytes.
class TextPrefix {
 public:
  TextPrefix() = default;
  explicit TextPrefix(std::string_view text) { append(text); }

  // The element counts its offsets in UTF-16 units; called before any character outside the
  // basic plane is appended.
  void countUtf16Units() { utf16Offsets_ = true; }
  bool countsUtf16Units() const { return utf16Offsets_; }

  // The characters that follow the ones read so far (whole characters, UTF-8).
  void append(std::string_view more);

  // The text read, without padding.
  std::string text() const { return withoutPadding(text_); }
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
  // The characters from start to end (start <= end), as far as the prefix holds them, without
  // padding.
  std::string substring(std::int64_t start, std::int64_t end) const;

 private:
  struct Mark {
    std::size_t byte = 0;
    std::int64_t characters = 0;
    std::int64_t units = 0;
    char32_t previous = 0;  // the character before
  };
  // The last character start whose `key` is at most `target`, stepping over characters that take
  // no unit (padding).
  Mark seek(std::int64_t target, std::int64_t Mark::*key) const;
  // The character start after `mark`.
  Mark next(Mark mark) const;

  std::string text_;
  std::vector<Mark> marks_;  // marks_[i]: the first character at or after i * kMarkEvery offsets
  std::int64_t characters_ = 0;
  std::int64_t units_ = 0;
  char32_t last_ = 0;
  bool utf16Offsets_ = false;
};

// The same conversions on a whole text.
std::optional<std::int64_t> utf16Offset(std::string_view text, std::int64_t characters);
std::optional<std::int64_t> characterOffset(std::string_view text, std::int64_t units);
std::optional<CharacterSpan> characterSpan(std::string_view text, Range range);
std::optional<Range> utf16Range(std::string_view text, std::int64_t start, std::int64_t end);
std::string characterSubstring(std::string_view text, std::int64_t start, std::int64_t end);

}  // namespace axb::platform::atspi
