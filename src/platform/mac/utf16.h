// Conversions between the platform's UTF-16 strings and the library's UTF-8 strings. Neither
// direction fails: what cannot be converted becomes U+FFFD, so text read from another
// application never vanishes because one character in it is broken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace axb::platform::mac {

// Each unpaired surrogate becomes U+FFFD.
std::string utf8FromUtf16(const std::uint16_t* units, std::size_t count);

// Each ill-formed sequence (its maximal subpart) becomes U+FFFD.
std::vector<std::uint16_t> utf16FromUtf8(std::string_view bytes);

}  // namespace axb::platform::mac
