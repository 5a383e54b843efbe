// Canonical decomposition with utf8proc.
#include "platform/unicode.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>

namespace axb::platform {
namespace {

struct FreeDeleter {
  void operator()(utf8proc_uint8_t* p) const { std::free(p); }
};

}  // namespace

std::optional<std::string> canonicalDecomposition(std::string_view text) {
  if (text.empty()) return std::string();
  utf8proc_uint8_t* raw = nullptr;
  const utf8proc_ssize_t length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                   static_cast<utf8proc_ssize_t>(text.size()), &raw,
                   static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
  const std::unique_ptr<utf8proc_uint8_t, FreeDeleter> owned(raw);
  // A negative length is utf8proc's error code: ill-formed UTF-8 among them.
  if (length < 0) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(owned.get()), static_cast<std::size_t>(length));
}

}  // namespace axb::platform
