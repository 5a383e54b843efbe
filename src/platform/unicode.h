// Unicode normalisation as the platform provides it: on macOS the system's own, so that the
// shipped library needs no third-party library at run time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace axb::platform {

// The canonical decomposition (Unicode normalisation form D) of UTF-8 text, as UTF-8; nothing
// when the text is not well-formed UTF-8. Compatibility decompositions are not applied, so "ﬁ"
// stays one character, and case is kept.
std::optional<std::string> canonicalDecomposition(std::string_view text);

}  // namespace axb::platform
