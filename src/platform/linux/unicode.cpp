// Canonical decomposition with GLib's Unicode tables, which every GTK desktop already has.
#include "platform/unicode.h"

#include <glib.h>

#include "platform/linux/glib/g_ref.h"
#include "platform/utf8.h"

namespace axb::platform {

std::optional<std::string> canonicalDecomposition(std::string_view text) {
  // Two differently damaged texts must not decompose alike.
  if (!utf8::isWellFormed(text)) return std::nullopt;
  if (text.empty()) return std::string();
  // G_NORMALIZE_DEFAULT is form D: canonical decomposition only, no compatibility mappings.
  const GText normalised(
      g_utf8_normalize(text.data(), static_cast<gssize>(text.size()), G_NORMALIZE_DEFAULT));
  if (!normalised) return std::nullopt;
  return std::string(normalised.get());
}

}  // namespace axb::platform
