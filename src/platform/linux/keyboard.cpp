// Synthetic keys are not posted on Linux yet: the paste shortcut is refused, so the paste that
// needs it does nothing instead of typing into an unchecked window.
#include "platform/keyboard.h"

namespace axb::platform {

bool postPasteShortcut() {
  return false;
}

}  // namespace axb::platform
