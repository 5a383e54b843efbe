// Synthetic keyboard input, posted as if typed.
#pragma once

#include <optional>

namespace axb::platform {

// Why synthetic keys posted now would not reach the application in front.
enum class KeysRefusal {
  // The system drops the keys of a process without the accessibility permission.
  NotTrusted,
  // No display could be opened to post them to.
  NoDesktop,
  // The desktop offers no way to reach the application in front with both the keys and the
  // clipboard (a Wayland compositor that lets no client type into another).
  NotSupported,
};

// Nothing when keys posted now can reach the desktop; else why not. Asked without posting
// anything and without a prompt. A binding that cannot tell in advance answers nothing.
std::optional<KeysRefusal> syntheticKeysRefused();

// Posts the platform's paste shortcut (Command-V on macOS) to whichever application has the
// keyboard focus, carrying only the shortcut's own modifier so that a modifier the user holds
// does not change it. True when every key event of the shortcut was posted; the application
// handles them later.
bool postPasteShortcut();

}  // namespace axb::platform
