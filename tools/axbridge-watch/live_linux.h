// What watching a real X11 desktop needs beyond the library.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Why the library could not watch this desktop, as a short explanation for the user: no X11
// display, no D-Bus session bus, no accessibility bus. Nothing when all three answer.
std::optional<std::string> desktopProblem();

// The GLib main loop on the library's main context. SIGINT and SIGTERM end it from the moment
// it exists, so that a signal that comes while the library starts still ends the program
// cleanly (and not by the signal's default action).
class MainLoop {
 public:
  MainLoop();
  ~MainLoop();
  MainLoop(const MainLoop&) = delete;
  MainLoop& operator=(const MainLoop&) = delete;

  // Runs until SIGINT or SIGTERM. Meanwhile each line read on standard input goes to onLine; at
  // its end the loop keeps running.
  void run(const std::function<void(std::string_view line)>& onLine);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
