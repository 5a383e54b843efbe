// Canonical decomposition through Core Foundation, held to the same table as the simulated
// desktop's utf8proc: a blocked field must match the same values on every build.
#include "support/canonical_equivalence_cases.h"

namespace axb::testing {
namespace {

TEST(UnicodeTest, EquivalenceAndDecompositionsAgreeWithTheSharedTables) {
  expectEquivalenceTableHolds();
  expectDecompositionTableHolds();
}

}  // namespace
}  // namespace axb::testing
