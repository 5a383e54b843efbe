// The paste chord typed through one virtual keyboard of the library's own (wlroots compositors),
// with a keymap the library makes itself: the chord is the same whatever layout the user types
// with. Created once and kept: a keyboard appearing or going makes some toolkits (GTK 3) lose
// and regain the focus. Main thread only.
#pragma once

namespace axb::platform::wayland::keyboard {

// Whether the compositor offers virtual keyboards (and one was made).
bool available();

// Makes the keyboard ahead of the first paste, so that the focus change it causes is over by then.
void prepare();

// Control-V, pressed and released, with Control as the only modifier. True once the compositor
// took every key.
bool typePasteChord();

}  // namespace axb::platform::wayland::keyboard
