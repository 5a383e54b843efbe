// Strings the host passes in: NUL-terminated bytes decoded as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace axb::bridge {

// The bytes as well-formed UTF-8: each ill-formed sequence (its maximal subpart, as Unicode
// recommends) becomes U+FFFD.
std::string toWellFormedUtf8(std::string_view bytes);

// A copy of the host's string, or nothing for a null pointer.
std::optional<std::string> copyHostString(const char* text);

}  // namespace axb::bridge
