// AT-SPI's event listeners are global: one set serves the whole process and hears every
// application. The hub turns what it hears (and the window moves X11 reports) into desktop
// events, merges bursts, and hands them to the observers and the workspace on the main context.
#pragma once

#include <atspi/atspi.h>

#include <functional>
#include <optional>

#include "platform/geometry.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {

enum class DesktopEventKind {
  FocusGained,           // an element gained the keyboard focus
  TextSelectionChanged,  // the caret moved or the selection changed in an element
  WindowResized,         // a window's bounds changed
  WindowMoved,           // a window moved (X11)
  WindowActivated,       // a window became active: the front may have changed
  ApplicationAppeared,   // an application created a window
};

struct DesktopEvent {
  DesktopEventKind kind;
  ProcessId pid = 0;
  GRef<AtspiAccessible> source{};    // empty for events that only X11 saw
  GRef<AtspiAccessible> previous{};  // for a focus gained: where the focus was before, if known
};

using DesktopEventSink = std::function<void(const DesktopEvent&)>;

// Starts listening once (the AT-SPI listeners and the display); false without an accessibility
// bus. Applications send only the events someone listens for, so this runs early.
bool ensureListening();

// Sinks hear events in the order they were added; removing a sink during a delivery is safe. A
// sink for one process hears only its events, and only the windows of processes that have one
// are looked up when the display alone saw them move (0: every process, no such look-up).
int addSink(DesktopEventSink sink, ProcessId only = 0);
void removeSink(int id);

// Records that a window of the process came to the front now, also when only the display said
// so: the focus and selection events that the activation brings are not reported as changes.
void noteActivated(ProcessId pid);

// The process whose window the accessibility tree says is active, where nothing else tells
// (Wayland sessions other than sway's); nothing when none is known.
std::optional<ProcessId> activeWindowProcess();

// The element that last gained the focus in the process, if one did since listening began.
GRef<AtspiAccessible> lastFocusedIn(ProcessId pid);
// Forgets it, for a process that ended.
void forgetFocus(ProcessId pid);

}  // namespace axb::platform::atspi
