// How the paste's keystroke and clipboard reach the application in front. In an X11 session,
// and for an X11 application under XWayland elsewhere, through X11 (XTest and the CLIPBOARD
// selection); for a native application on a wlroots compositor, through a virtual keyboard and
// data-control; on GNOME, through a remote-desktop session of mutter's; on other compositors with
// data-control, through a session the desktop's RemoteDesktop portal granted for the keystroke;
// elsewhere not at all.
#pragma once

namespace axb::platform::wayland {

enum class PasteRoute { X11, WaylandProtocols, MutterRemoteDesktop, PortalKeystroke, None };

// Decides the route for the application in front now, as a paste begins: every step of the
// paste (the snapshot, the write, the keystroke, the restore) then takes the same route.
PasteRoute decidePasteRoute();

// The route decided last, decided afresh when that was longer ago than a paste takes.
PasteRoute pasteRoute();

// Where only the portal could type the paste's keystroke, asks it for a session (the user answers
// its dialog later, on the host's main context). Any thread; returns at once.
void askForPortalKeystroke();

}  // namespace axb::platform::wayland
