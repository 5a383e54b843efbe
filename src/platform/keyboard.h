// Synthetic keyboard input, posted as if typed.
#pragma once

namespace axb::platform {

// Posts the platform's paste shortcut (Command-V on macOS) to whichever application has the
// keyboard focus, carrying only the shortcut's own modifier so that a modifier the user holds
// does not change it. True when every key event of the shortcut was posted; the application
// handles them later.
bool postPasteShortcut();

}  // namespace axb::platform
