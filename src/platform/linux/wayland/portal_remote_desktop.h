// The paste keystroke through the desktop's RemoteDesktop portal (org.freedesktop.portal.Desktop),
// where the compositor offers no other way to type into another application (KDE Plasma). The
// portal asks the user in a dialog that answers whenever the user does: a session is asked for
// only when the host asks for permissions, never during a paste, and once granted it is kept open
// for every later paste until the user ends it.
#pragma once

namespace axb::platform::wayland::portal {

// Asks the portal for a session with a keyboard, without waiting: the questions go from the host's
// main context, and the answers arrive there. Nothing while a session is granted or being asked
// for. Any thread.
void requestKeyboard();

// Whether a granted session is open (the user has not ended it). Main thread.
bool granted();

// Control-V through the granted session; false when there is none or the user ended it. Main
// thread.
bool typePasteChord();

}  // namespace axb::platform::wayland::portal
