#include "platform/linux/atspi/roles.h"

namespace axb::platform::atspi {

bool isTextRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_PASSWORD_TEXT:
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_DOCUMENT_TEXT:
    case ATSPI_ROLE_TERMINAL:
      return true;
    default:
      return false;
  }
}

std::string roleName(const RoleFacts& facts) {
  if (isTextRole(facts.role)) {
    if (facts.role == ATSPI_ROLE_PASSWORD_TEXT) return "AXTextField";
    // GTK's single-line entry is TEXT like its text view: the states tell them apart.
    if (facts.multiLine) return "AXTextArea";
    return facts.editable ? "AXTextField" : "AXStaticText";
  }
  switch (facts.role) {
    case ATSPI_ROLE_APPLICATION:
      return "AXApplication";
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_CAPTION:
      return "AXStaticText";
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER:
      return "AXWindow";
    case ATSPI_ROLE_PUSH_BUTTON:
      return "AXButton";
    case ATSPI_ROLE_TOGGLE_BUTTON:
      return "AXCheckBox";
    case ATSPI_ROLE_CHECK_BOX:
      return "AXCheckBox";
    case ATSPI_ROLE_RADIO_BUTTON:
      return "AXRadioButton";
    case ATSPI_ROLE_COMBO_BOX:
      return "AXComboBox";
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_POPUP_MENU:
      return "AXMenu";
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
      return "AXMenuItem";
    case ATSPI_ROLE_MENU_BAR:
      return "AXMenuBar";
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
      return "AXList";
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
    case ATSPI_ROLE_TREE:
      return "AXOutline";
    case ATSPI_ROLE_SCROLL_PANE:
      return "AXScrollArea";
    case ATSPI_ROLE_SCROLL_BAR:
      return "AXScrollBar";
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_GROUPING:
      return "AXGroup";
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON:
      return "AXImage";
    case ATSPI_ROLE_SLIDER:
      return "AXSlider";
    case ATSPI_ROLE_TOOL_BAR:
      return "AXToolbar";
    case ATSPI_ROLE_LINK:
      return "AXLink";
    case ATSPI_ROLE_DOCUMENT_WEB:
    case ATSPI_ROLE_DOCUMENT_FRAME:
      return "AXWebArea";
    case ATSPI_ROLE_HEADING:
      return "AXHeading";
    case ATSPI_ROLE_PAGE_TAB_LIST:
      return "AXTabGroup";
    case ATSPI_ROLE_PROGRESS_BAR:
      return "AXProgressIndicator";
    case ATSPI_ROLE_SPIN_BUTTON:
      return "AXIncrementor";
    default:
      return "AXUnknown";
  }
}

bool isEditable(const RoleFacts& facts, bool editableTextInterface) {
  return facts.editable || editableTextInterface;
}

bool keepsTextSecret(const RoleFacts& facts) {
  return facts.role == ATSPI_ROLE_PASSWORD_TEXT;
}

std::optional<std::string> subroleName(const RoleFacts& facts) {
  if (facts.role == ATSPI_ROLE_PASSWORD_TEXT) return "AXSecureTextField";
  return std::nullopt;
}

}  // namespace axb::platform::atspi
