// The X11 CLIPBOARD selection on a connection of its own: reading what the owner offers, owning
// it and serving what was written, and counting ownership changes (XFixes). Main thread only.
// X11 sessions only: without a display the clipboard reads as empty and writes do nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/linux/x11/clipboard_targets.h"

namespace axb::platform::x11 {

// How many times CLIPBOARD changed owner (or was emptied) since the connection opened, the
// library's own writes included; every change the server made so far is counted.
std::int64_t clipboardChangeCount();

// Every target the owner offers with its data, meta targets left out. A target the owner
// refuses is left out; an owner that does not answer in time is asked nothing more, and what
// was read until then is answered (see the implementation for why). Bounded against owners that
// misbehave: 4 s in all, INCR transfers included, the first 1,024 targets, 256 MiB saved (a
// target beyond is left out).
Targets readClipboard();

// The clipboard's text alone (UTF8_STRING, else text/plain;charset=utf-8), without transferring
// every other target; nothing when the owner offers neither or does not answer in time.
std::optional<std::string> readClipboardText();

// Owns CLIPBOARD and serves the targets until another client takes it; no targets empties it.
// With `handOff`, a running clipboard manager is asked to keep a copy (ICCCM SAVE_TARGETS), so
// that the contents outlive this process. Answers the change count after the write.
std::int64_t ownClipboard(const Targets& targets, bool handOff);

// Answers the clipboard's requests until the monotonic deadline. False, at once, when no
// clipboard connection is open: the caller then waits some other way.
bool serveClipboardUntil(double deadline);

}  // namespace axb::platform::x11
