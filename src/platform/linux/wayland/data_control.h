// The Wayland clipboard through data-control (ext-data-control-v1 or its wlroots forerunner): read
// without the keyboard focus, owned by the library's own source, with the same bounds as the X11
// clipboard: a whole read stops asking after 4 s, each type waits 1 s at most, the first 1,024
// types, 256 MiB saved; what the library owns is served in pieces that never block, at most 16
// transfers at once, each given up after 10 s without progress. Main thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/linux/x11/clipboard_targets.h"

namespace axb::platform::wayland::clipboard {

// The interface the clipboard speaks: the standard one where the compositor offers it (the
// wlroots one, its forerunner, may be withdrawn), else the wlroots one.
enum class Interface { None, Standard, Wlroots };
Interface interfaceFor(bool standardOffered, bool wlrootsOffered);

// Whether the compositor offers data-control.
bool available();

// How many times the selection changed (or was emptied) since the library began to follow it,
// its own writes included.
std::int64_t changeCount();

// Every type the owner offers with its data (types are MIME types; the X11 names some owners
// still offer map as they do there).
x11::Targets read();

// The clipboard's text alone, without transferring its other types.
std::optional<std::string> readText();

// Owns the selection with the types, or empties it with none; the change count after the write.
// Nothing when the compositor did not take it.
std::optional<std::int64_t> own(const x11::Targets& targets);

// Answers the selection's requests until the monotonic deadline; false at once when the
// clipboard is not open (the caller waits some other way).
bool serveUntil(double deadline);

}  // namespace axb::platform::wayland::clipboard
