// The X11 side of the desktop: which window is in front, whose it is, bringing a window forward
// and the window moves that AT-SPI does not report. X11 sessions only: under Wayland these
// answers are unavailable.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/geometry.h"

namespace axb::platform::x11 {

// The process whose window is in front: the owner (_NET_WM_PID) of the window manager's
// _NET_ACTIVE_WINDOW, or of the window holding the input focus when no window manager runs.
std::optional<ProcessId> frontmostProcess();

// Asks for the process's window to come to the front: the _NET_ACTIVE_WINDOW message to the
// window manager, or without one raising the window and giving it the input focus. False when
// the process has no window on this display.
bool activateProcess(ProcessId pid);

// Whether the process has a window on this display (under XWayland: whether it is an X11 client).
bool hasWindowOf(ProcessId pid);

// The class of a window of the process (WM_CLASS), and the identifier GTK applications give
// their windows (_GTK_APPLICATION_ID).
std::optional<std::string> windowClassOf(ProcessId pid);
std::optional<std::string> applicationIdOf(ProcessId pid);

// Where the content of the process's window in front begins on screen: the window's position on
// the X server moved inward by the shadow its client-side decorations draw (_GTK_FRAME_EXTENTS).
// The window is the active one when it is the process's, else its front-most viewable one.
std::optional<Point> contentOriginOf(ProcessId pid);

// What the display reports as it happens, on the main context.
struct DisplayWatch {
  std::function<void()> activeWindowChanged;
  std::function<void(ProcessId)> windowConfigured;  // moved or resized
};
// Starts watching the display (once); false without an X11 display.
bool watchDisplay(DisplayWatch watch);

}  // namespace axb::platform::x11
