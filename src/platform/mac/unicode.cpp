// Canonical decomposition with Core Foundation, the system's own Unicode tables.
#include "platform/unicode.h"

#include <CoreFoundation/CoreFoundation.h>

#include "platform/mac/cf_ref.h"
#include "platform/mac/cf_string.h"
#include "platform/utf8.h"

namespace axb::platform {

std::optional<std::string> canonicalDecomposition(std::string_view text) {
  // Converting would turn ill-formed bytes into U+FFFD, and two differently damaged texts
  // would then decompose alike.
  if (!utf8::isWellFormed(text)) return std::nullopt;
  if (text.empty()) return std::string();
  const mac::CFRef<CFStringRef> string = mac::makeCFString(text);
  if (!string) return std::nullopt;
  const auto normalised = mac::CFRef<CFMutableStringRef>::adopt(
      CFStringCreateMutableCopy(kCFAllocatorDefault, 0, string.get()));
  if (!normalised) return std::nullopt;
  CFStringNormalize(normalised.get(), kCFStringNormalizationFormD);
  return mac::utf8String(normalised.get());
}

}  // namespace axb::platform
