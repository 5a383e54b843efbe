#include "bridge/host_string.h"

#include <cstddef>
#include <cstdint>

namespace axb::bridge {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed sequence starting at i, or of the maximal subpart of an ill-formed
// one (at least 1) with ok set to false.
std::size_t sequenceLength(std::string_view s, std::size_t i, bool& ok) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
  const std::uint8_t lead = byte(i);
  ok = false;
  if (lead < 0x80) {
    ok = true;
    return 1;
  }
  std::size_t needed = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    needed = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    needed = 2;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    needed = 3;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 1;
  }
  std::size_t length = 1;
  for (std::size_t k = 0; k < needed; ++k) {
    if (i + length >= s.size()) return length;
    const std::uint8_t next = byte(i + length);
    const std::uint8_t lo = k == 0 ? low : 0x80;
    const std::uint8_t hi = k == 0 ? high : 0xBF;
    if (next < lo || next > hi) return length;
    ++length;
  }
  ok = true;
  return length;
}

}  // namespace

std::string toWellFormedUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    bool ok = false;
    const std::size_t length = sequenceLength(bytes, i, ok);
    if (ok) {
      out.append(bytes.substr(i, length));
    } else {
      out.append(kReplacement);
    }
    i += length;
  }
  return out;
}

std::optional<std::string> copyHostString(const char* text) {
  if (text == nullptr) return std::nullopt;
  return toWellFormedUtf8(std::string_view(text));
}

}  // namespace axb::bridge
