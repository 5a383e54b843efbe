// What watching a real X11 desktop needs beyond the library.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Why the library could not watch this desktop, as a short explanation for the user: no X11
// display, no D-Bus session bus, no accessibility bus. Nothing when all three answer.
std::optional<std::string> desktopProblem();

// Runs the GLib main loop (the library's main context) until SIGINT or SIGTERM. Meanwhile each
// line read on standard input goes to onLine; at its end the loop keeps running.
void runMainLoop(const std::function<void(std::string_view line)>& onLine);
