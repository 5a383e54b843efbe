#include "platform/mac/utf16.h"

#include "platform/utf8.h"

namespace axb::platform::mac {
namespace {

constexpr char32_t kReplacement = utf8::kReplacementCharacter;

bool isHighSurrogate(std::uint16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(std::uint16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf16(std::vector<std::uint16_t>& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<std::uint16_t>(c));
    return;
  }
  c -= 0x10000;
  out.push_back(static_cast<std::uint16_t>(0xD800 + (c >> 10)));
  out.push_back(static_cast<std::uint16_t>(0xDC00 + (c & 0x3FF)));
}

}  // namespace

std::string utf8FromUtf16(const std::uint16_t* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t unit = units[i];
    if (isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(units[i + 1])) {
      const char32_t c = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      utf8::append(out, c);
      ++i;
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      utf8::append(out, kReplacement);
    } else {
      utf8::append(out, unit);
    }
  }
  return out;
}

std::vector<std::uint16_t> utf16FromUtf8(std::string_view bytes) {
  std::vector<std::uint16_t> out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t c = kReplacement;
    i += utf8::decode(bytes, i, c);
    appendUtf16(out, c);
  }
  return out;
}

}  // namespace axb::platform::mac
