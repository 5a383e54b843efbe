// Core Foundation strings to and from the library's UTF-8, through UTF-16 so that text of any
// length and any content converts (see platform/utf8.h).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mac/cf_ref.h"
#include "platform/utf8.h"

namespace axb::platform::mac {

inline std::string utf8String(CFStringRef string) {
  if (!string) return {};
  const CFIndex length = CFStringGetLength(string);
  if (length <= 0) return {};
  std::vector<UniChar> units(static_cast<std::size_t>(length));
  CFStringGetCharacters(string, CFRangeMake(0, length), units.data());
  return utf8::fromUtf16(units.data(), units.size());
}

// Null only when the allocation fails.
inline CFRef<CFStringRef> makeCFString(std::string_view text) {
  const std::vector<std::uint16_t> units = utf8::toUtf16(text);
  const UniChar none = 0;  // a valid pointer for the empty string
  return CFRef<CFStringRef>::adopt(
      CFStringCreateWithCharacters(kCFAllocatorDefault, units.empty() ? &none : units.data(),
                                   static_cast<CFIndex>(units.size())));
}

}  // namespace axb::platform::mac
