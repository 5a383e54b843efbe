// The key events of the paste shortcut, Command-V, through Quartz event services.
#pragma once

#include <ApplicationServices/ApplicationServices.h>

#include <array>

#include "platform/mac/cf_ref.h"

namespace axb::platform::mac {

inline constexpr CGKeyCode kKeyCodeCommand = 55;  // kVK_Command
inline constexpr CGKeyCode kKeyCodeAnsiV = 9;     // kVK_ANSI_V

// The key that types "v" in the current keyboard layout (see platform/key_layout.h).
CGKeyCode pasteKeyCode();

// The chord's two key-downs (Command, then V) or its two key-ups (V, then Command), in posting
// order, from the source. V's events are flagged with Command alone; Command's press too, and its
// release with no modifier, since receivers read modifier transitions from the flags. An event
// the system refuses to create is null.
std::array<CFRef<CGEventRef>, 2> pasteChordEvents(CGEventSourceRef source, bool keyDown,
                                                  CGKeyCode vKeyCode);

}  // namespace axb::platform::mac
