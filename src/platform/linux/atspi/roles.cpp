#include "platform/linux/atspi/roles.h"

#include "platform/vocabulary.h"

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

bool isDocument(const RoleFacts& facts) {
  return facts.role == ATSPI_ROLE_DOCUMENT_TEXT ||
         (facts.editable && facts.multiLine && !isTextRole(facts.role));
}

std::string roleName(const RoleFacts& facts) {
  if (isTextRole(facts.role)) {
    if (facts.role == ATSPI_ROLE_PASSWORD_TEXT) return platform::roles::kTextField;
    // GTK's single-line entry is TEXT like its text view: the states tell them apart.
    if (facts.multiLine) return platform::roles::kTextArea;
    return facts.editable ? platform::roles::kTextField : platform::roles::kStaticText;
  }
  if (facts.editable && facts.multiLine) return platform::roles::kTextArea;
  switch (facts.role) {
    case ATSPI_ROLE_APPLICATION:
      return platform::roles::kApplication;
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_CAPTION:
      return platform::roles::kStaticText;
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER:
      return platform::roles::kWindow;
    case ATSPI_ROLE_PUSH_BUTTON:
      return platform::roles::kButton;
    case ATSPI_ROLE_TOGGLE_BUTTON:
      return platform::roles::kCheckBox;
    case ATSPI_ROLE_CHECK_BOX:
      return platform::roles::kCheckBox;
    case ATSPI_ROLE_RADIO_BUTTON:
      return platform::roles::kRadioButton;
    case ATSPI_ROLE_COMBO_BOX:
      return platform::roles::kComboBox;
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_POPUP_MENU:
      return platform::roles::kMenu;
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
      return platform::roles::kMenuItem;
    case ATSPI_ROLE_MENU_BAR:
      return platform::roles::kMenuBar;
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
      return platform::roles::kList;
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
    case ATSPI_ROLE_TREE:
      return platform::roles::kOutline;
    case ATSPI_ROLE_SCROLL_PANE:
      return platform::roles::kScrollArea;
    case ATSPI_ROLE_SCROLL_BAR:
      return platform::roles::kScrollBar;
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_GROUPING:
      return platform::roles::kGroup;
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON:
      return platform::roles::kImage;
    case ATSPI_ROLE_SLIDER:
      return platform::roles::kSlider;
    case ATSPI_ROLE_TOOL_BAR:
      return platform::roles::kToolbar;
    case ATSPI_ROLE_LINK:
      return platform::roles::kLink;
    case ATSPI_ROLE_DOCUMENT_WEB:
    case ATSPI_ROLE_DOCUMENT_FRAME:
      return platform::roles::kWebArea;
    case ATSPI_ROLE_HEADING:
      return platform::roles::kHeading;
    case ATSPI_ROLE_PAGE_TAB_LIST:
      return platform::roles::kTabGroup;
    case ATSPI_ROLE_PROGRESS_BAR:
      return platform::roles::kProgressIndicator;
    case ATSPI_ROLE_SPIN_BUTTON:
      return platform::roles::kIncrementor;
    default:
      return platform::roles::kUnknown;
  }
}

bool isEditable(const RoleFacts& facts, bool editableTextInterface) {
  return facts.editable || editableTextInterface;
}

bool keepsTextSecret(const RoleFacts& facts) {
  return facts.role == ATSPI_ROLE_PASSWORD_TEXT;
}

std::optional<std::string> subroleName(const RoleFacts& facts) {
  if (facts.role == ATSPI_ROLE_PASSWORD_TEXT) return platform::subroles::kSecureTextField;
  return std::nullopt;
}

}  // namespace axb::platform::atspi
