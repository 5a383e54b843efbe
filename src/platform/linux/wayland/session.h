// Which desktop the library runs in, and the answers that depend on it: which application is in
// front, bringing one forward, where a window lies on screen and what names an application.
// In an X11 session every answer comes from the X server, as before. In a Wayland session an
// application that has an X window (through XWayland) keeps the X11 reading of its rectangles and
// its clipboard; the rest comes from the compositor where it tells (sway), from the
// accessibility tree otherwise, and is unknown where neither does.
#pragma once

#include <optional>
#include <string>

#include "platform/geometry.h"

namespace axb::platform::wayland {

enum class Desktop {
  X11,           // an X11 session (or no display at all)
  Sway,          // a wlroots compositor with sway's IPC
  Gnome,         // GNOME Shell (mutter)
  OtherWayland,  // another Wayland compositor (KDE Plasma, ...)
};

// Detected once: a Wayland session is one with WAYLAND_DISPLAY set or XDG_SESSION_TYPE=wayland.
Desktop desktop();
inline bool waylandSession() {
  return desktop() != Desktop::X11;
}

// Whether the process shows its windows through X11 (it has an X window): in an X11 session,
// every application.
bool isX11Client(ProcessId pid);

// Where neither X11 nor the compositor tells which application is in front, the accessibility
// tree does: its listener hands over how to ask it once it listens.
void setTreeFront(std::optional<ProcessId> (*source)());

// The process whose window is in front.
std::optional<ProcessId> frontmostProcess();

// The process in front, or while the host's own window is, the one that was in front before it.
std::optional<ProcessId> frontmostOtherProcess();

// Asks for the process's window to come to the front; false where the desktop does not let
// another application do that, or the process has no window.
bool activateProcess(ProcessId pid);

// A native Wayland application answers rectangles relative to its window: where that window's
// content begins on screen, as the compositor tells (nothing where it does not).
std::optional<Point> nativeWindowOriginOf(ProcessId pid);

// The size of that window's visible part when it floats: a window larger than that draws its own
// frame and shadow around it, and answers relative to the whole (tiled, it draws no shadow).
std::optional<Size> nativeFloatingWindowSizeOf(ProcessId pid);

// The application id the compositor knows the process's window by (sway); elsewhere the
// application id the process owns as a name on the session bus (a GApplication's).
std::optional<std::string> applicationIdOf(ProcessId pid);

// Forgets what was learnt about the process, which ended.
void forgetProcess(ProcessId pid);

}  // namespace axb::platform::wayland
