// What names a running application: its bundle identifier (the key of the blocked field list)
// and its name, remembered per process until it ends.
#pragma once

#include <optional>
#include <string>

#include "platform/geometry.h"

namespace axb::platform::atspi {

// The application's desktop-file id when known (the GIO_LAUNCHED_DESKTOP_FILE its launcher set,
// else the application id the compositor knows its window by, else the _GTK_APPLICATION_ID of
// its X windows), else the class of its X windows (WM_CLASS).
std::optional<std::string> bundleIdentifierOf(ProcessId pid);

// The name of its application object in the accessibility tree.
std::optional<std::string> applicationNameOf(ProcessId pid);

void forgetIdentity(ProcessId pid);

}  // namespace axb::platform::atspi
