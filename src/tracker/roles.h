// Role names the tracker reacts to.
#pragma once

#include <string_view>

namespace axb::tracker {

inline constexpr std::string_view kTextFieldRole = "AXTextField";
inline constexpr std::string_view kTextAreaRole = "AXTextArea";
inline constexpr std::string_view kStaticTextRole = "AXStaticText";

// The roles of native text fields, whose selection is measured with character ranges.
inline bool isTextFieldRole(std::string_view role) {
  return role == kTextFieldRole || role == kTextAreaRole;
}

// The host application itself, which is never followed.
inline constexpr std::string_view kHostApplicationName = "Quorvalent";

}  // namespace axb::tracker
