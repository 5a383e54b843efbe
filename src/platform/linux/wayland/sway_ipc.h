// sway's IPC socket ($SWAYSOCK): where each application's windows are and which one has the
// focus, kept current from the window events sway sends (the tree is read again only after one
// arrived), and commands such as bringing a process's window to the front. Main thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/geometry.h"

namespace axb::platform::wayland::sway {

// Whether sway's IPC socket can be reached.
bool available();

// The process whose window has the focus; nothing when none has (or sway does not answer).
std::optional<ProcessId> focusedProcess();

// Where the content of the process's window (its focused one, else its first visible one)
// begins in the layout: below the title bar and inside the borders sway draws. The client's
// own shadows are not known to sway's IPC: a floating window that draws them (GTK 3's client-side
// decorations) begins there with its visible part, not with its surface.
std::optional<Point> contentOriginOf(ProcessId pid);

// The size of that window's content when it floats (a tiled window draws no shadow).
std::optional<Size> floatingContentSizeOf(ProcessId pid);

// The application id sway knows the process's window by (app_id, or an X11 window's class).
std::optional<std::string> applicationIdOf(ProcessId pid);

// Whether the process's window is an X11 one (through XWayland).
bool isX11Window(ProcessId pid);

// Runs `[pid=N] focus`; true when sway ran it.
bool focusProcess(ProcessId pid);

// Calls `changed` on the main context after sway reported a window event (focus, move, new,
// close...), with the process whose window the event may have moved (0 when none, and for a
// focus change). Starts listening once.
bool watchWindows(std::function<void(ProcessId)> changed);

}  // namespace axb::platform::wayland::sway
