// The boundary's role names for AT-SPI roles and states.
#pragma once

#include <atspi/atspi.h>

#include <optional>
#include <string>

namespace axb::platform::atspi {

// What the role and states say about an element, read once.
struct RoleFacts {
  AtspiRole role = ATSPI_ROLE_INVALID;
  bool editable = false;
  bool multiLine = false;
  bool focused = false;
  bool focusable = false;
};

// "AXRole": editable single-line text is a text field, multi-line text a text area, password
// text a text field, a label static text; an editable element of several lines is a text area
// whatever its role.
std::string roleName(const RoleFacts& facts);

// "AXSubrole": a password field is a secure text field; nothing for the others.
std::optional<std::string> subroleName(const RoleFacts& facts);

// Whether the user can type into the element: the EDITABLE state or the editable-text interface
// (browsers give their fields the state alone).
bool isEditable(const RoleFacts& facts, bool editableTextInterface);

// A password field answers as a secure text field does on macOS: its value, selected text,
// strings of its ranges and character count cannot be read.
bool keepsTextSecret(const RoleFacts& facts);

// Whether the element holds text the user types or selects (the roles above that hold text).
bool isTextRole(AtspiRole role);

// Whether the element is a document whose paragraphs are accessibles of their own: a word
// processor's document text, or an element of several lines the user edits that has no text
// role (a browser's editable area, an editable web document such as a mail composer's).
bool isDocument(const RoleFacts& facts);

}  // namespace axb::platform::atspi
