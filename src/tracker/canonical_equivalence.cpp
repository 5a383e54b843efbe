#include "tracker/canonical_equivalence.h"

#include "platform/unicode.h"

namespace axb::tracker {

bool canonicallyEquivalent(std::string_view a, std::string_view b) {
  if (a == b) return true;
  // Ill-formed text has no decomposition: it matches nothing but the same bytes.
  const auto da = platform::canonicalDecomposition(a);
  if (!da) return false;
  const auto db = platform::canonicalDecomposition(b);
  return db && *da == *db;
}

}  // namespace axb::tracker
