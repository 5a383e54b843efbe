#include "platform/utf8.h"

#include <cstdint>

namespace axb::utf8 {
namespace {

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

std::size_t decode(std::string_view text, std::size_t i, char32_t& codePoint) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
  const std::uint8_t lead = byte(i);
  codePoint = kReplacementCharacter;
  if (lead < 0x80) {
    codePoint = lead;
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
    if (i + length >= text.size()) return length;
    const std::uint8_t next = byte(i + length);
    if (next < (k == 0 ? low : 0x80) || next > (k == 0 ? high : 0xBF)) return length;
    value = (value << 6) | (next & 0x3F);
    ++length;
  }
  codePoint = value;
  return length;
}

void append(std::string& out, char32_t c) {
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

std::string toWellFormed(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t codePoint = 0;
    const std::size_t length = decode(text, i, codePoint);
    if (codePoint == kReplacementCharacter) {
      append(out, codePoint);
    } else {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

bool isWellFormed(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    char32_t codePoint = 0;
    const std::size_t length = decode(text, i, codePoint);
    // Ill-formed bytes decode as U+FFFD too; only its own encoding is the real character.
    if (codePoint == kReplacementCharacter && text.substr(i, length) != "\xEF\xBF\xBD") {
      return false;
    }
    i += length;
  }
  return true;
}

std::size_t utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size();) {
    char32_t codePoint = 0;
    i += decode(text, i, codePoint);
    units += codePoint >= 0x10000 ? 2 : 1;
  }
  return units;
}

std::vector<std::uint16_t> toUtf16(std::string_view text) {
  std::vector<std::uint16_t> out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t codePoint = kReplacementCharacter;
    i += decode(text, i, codePoint);
    appendUtf16(out, codePoint);
  }
  return out;
}

std::string fromUtf16(const std::uint16_t* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t unit = units[i];
    if (isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(units[i + 1])) {
      append(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      append(out, kReplacementCharacter);
    } else {
      append(out, unit);
    }
  }
  return out;
}

}  // namespace axb::utf8
