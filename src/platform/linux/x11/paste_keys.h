// The paste shortcut, Control-V, posted through the XTest extension: the server delivers it as
// typed to the window holding the input focus. Modifiers the user holds stay held (X11 offers no
// way to leave them out of synthetic input short of releasing the user's own keys).
#pragma once

namespace axb::platform::x11 {

// Whether a display that takes synthetic keys (one with XTest) can be reached. X11 lets any
// client post keys: no permission is asked.
bool canPostKeys();

// Control-V, pressed and released. True when the server took every key event.
bool typePasteChord();

}  // namespace axb::platform::x11
