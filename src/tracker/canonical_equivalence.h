// Unicode canonical equivalence of two UTF-8 texts ("é" precomposed equals "e" + combining
// acute), case-sensitive.
#pragma once

#include <string_view>

namespace axb::tracker {

bool canonicallyEquivalent(std::string_view a, std::string_view b);

}  // namespace axb::tracker
