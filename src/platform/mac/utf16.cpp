#include "platform/mac/utf16.h"

namespace axb::platform::mac {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(std::uint16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(std::uint16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
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

// Decodes the sequence at i. On success returns its length and sets c; otherwise returns the
// length of its maximal subpart (at least 1) and sets c to U+FFFD.
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
  const std::uint8_t lead = byte(i);
  c = kReplacement;
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  std::size_t needed = 0;
  char32_t value = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    needed = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    needed = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    needed = 3;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 1;
  }
  std::size_t length = 1;
  for (std::size_t k = 0; k < needed; ++k) {
    if (i + length >= s.size()) return length;
    const std::uint8_t next = byte(i + length);
    if (next < (k == 0 ? low : 0x80) || next > (k == 0 ? high : 0xBF)) return length;
    value = (value << 6) | (next & 0x3F);
    ++length;
  }
  c = value;
  return length;
}

}  // namespace

std::string utf8FromUtf16(const std::uint16_t* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t unit = units[i];
    if (isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(units[i + 1])) {
      const char32_t c = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      appendUtf8(out, c);
      ++i;
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      appendUtf8(out, kReplacement);
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

std::vector<std::uint16_t> utf16FromUtf8(std::string_view bytes) {
  std::vector<std::uint16_t> out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t c = kReplacement;
    i += decodeUtf8(bytes, i, c);
    appendUtf16(out, c);
  }
  return out;
}

}  // namespace axb::platform::mac
