// UTF-8 as both sides of the boundary need it: decoding with the replacement of ill-formed
// sequences that Unicode recommends (each maximal subpart becomes one U+FFFD), and lengths in
// UTF-16 units, which is how the platform counts text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace axb::utf8 {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the sequence starting at i. Returns its length and sets codePoint; for an ill-formed
// sequence returns the length of its maximal subpart (at least 1) and sets U+FFFD.
std::size_t decode(std::string_view text, std::size_t i, char32_t& codePoint);

void append(std::string& out, char32_t codePoint);

// The text with each ill-formed sequence replaced by U+FFFD.
std::string toWellFormed(std::string_view text);

// Whether the text holds no ill-formed sequence (an encoded U+FFFD is well-formed).
bool isWellFormed(std::string_view text);

// The number of UTF-16 units the text takes (ill-formed sequences count as U+FFFD).
std::size_t utf16Length(std::string_view text);

}  // namespace axb::utf8
