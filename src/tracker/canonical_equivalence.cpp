#include "tracker/canonical_equivalence.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace axb::tracker {
namespace {

struct FreeDeleter {
  void operator()(utf8proc_uint8_t* p) const { std::free(p); }
};

// The canonical decomposition (NFD) of the text, or nothing when it is not valid UTF-8.
std::optional<std::string> decomposed(std::string_view text) {
  utf8proc_uint8_t* raw = nullptr;
  const utf8proc_ssize_t length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                   static_cast<utf8proc_ssize_t>(text.size()), &raw,
                   static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
  std::unique_ptr<utf8proc_uint8_t, FreeDeleter> owned(raw);
  if (length < 0) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(owned.get()), static_cast<std::size_t>(length));
}

}  // namespace

bool canonicallyEquivalent(std::string_view a, std::string_view b) {
  if (a == b) return true;
  const auto da = decomposed(a);
  const auto db = decomposed(b);
  return da && db && *da == *db;
}

}  // namespace axb::tracker
