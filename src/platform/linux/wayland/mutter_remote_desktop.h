// GNOME's own remote-desktop interface on the session bus (org.gnome.Mutter.RemoteDesktop): a
// session types keys and reads and writes the clipboard with every type. GNOME Shell shows its
// remote-access indicator for as long as a session is open (and a few seconds more), so a session
// is opened only for one paste and closed right after it. Main thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/linux/x11/clipboard_targets.h"

namespace axb::platform::wayland::remote_desktop {

// Whether mutter's remote-desktop service is on the session bus.
bool available();

// Each of these opens the paste's session when none is open (nothing when mutter refuses one).
std::int64_t changeCount();
x11::Targets read();
std::optional<std::string> readText();
std::optional<std::int64_t> own(const x11::Targets& targets);
bool serveUntil(double deadline);

// Control-V through the session's keyboard.
bool typePasteChord();

}  // namespace axb::platform::wayland::remote_desktop
