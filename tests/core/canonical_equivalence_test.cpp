// Blocked-field values are compared by canonical equivalence, through the platform's
// normalisation: here the simulated desktop's, held to the table that macOS is held to too.
#include "support/canonical_equivalence_cases.h"

namespace axb::testing {
namespace {

TEST(CanonicalEquivalenceTest, AgreesWithTheSharedTablesBothWaysRoundByteForByte) {
  expectEquivalenceTableHolds();
  expectDecompositionTableHolds();
}

}  // namespace
}  // namespace axb::testing
