// UTF-8 as both sides of the boundary need it: decoding with the replacement of ill-formed
// sequences that Unicode recommends (each maximal subpart becomes one U+FFFD), lengths in UTF-16
// units, which is how the platform counts text, and conversion to and from UTF-16. The one
// implementation for the library, its platform bindings and the simulated desktop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The text in UTF-16 (ill-formed sequences become U+FFFD). Never fails, so that text read from
// another application never vanishes because one character in it is broken.
std::vector<std::uint16_t> toUtf16(std::string_view text);

// UTF-16 units as UTF-8; each unpaired surrogate becomes U+FFFD.
std::string fromUtf16(const std::uint16_t* units, std::size_t count);

}  // namespace axb::utf8
