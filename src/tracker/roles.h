// Roles the tracker reacts to.
#pragma once

#include <string_view>

#include "platform/vocabulary.h"

namespace axb::tracker {

// The roles of native text fields, whose selection is measured with character ranges.
inline bool isTextFieldRole(std::string_view role) {
  return role == platform::roles::kTextField || role == platform::roles::kTextArea;
}

// The host application itself, which is never followed.
inline constexpr std::string_view kHostApplicationName = "Quorvalent";

}  // namespace axb::tracker
