// The key events of the paste shortcut, Command-V, through Quartz event services.
#pragma once

#include <ApplicationServices/ApplicationServices.h>

#include <array>

#include "platform/mac/cf_ref.h"

namespace axb::platform::mac {

inline constexpr CGKeyCode kKeyCodeCommand = 55;  // kVK_Command
inline constexpr CGKeyCode kKeyCodeV = 9;         // kVK_ANSI_V

// The chord's two key-downs (Command, then V) or its two key-ups (V, then Command), in posting
// order, from the source, each flagged with Command alone. An event the system refuses to create
// is null.
std::array<CFRef<CGEventRef>, 2> pasteChordEvents(CGEventSourceRef source, bool keyDown);

}  // namespace axb::platform::mac
