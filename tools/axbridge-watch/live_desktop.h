// What the live watcher (main.cpp) needs from the desktop it runs on, beyond the library:
// live_desktop_linux.cpp for X11 desktops, live_desktop_mac.mm for macOS.
#pragma once

#include <memory>
#include <optional>
#include <string>

extern const char kLiveUsage[];

class LiveDesktop {
 public:
  // From here on, stopping the program (Control-C) ends run() cleanly, also while the library
  // starts.
  LiveDesktop();
  ~LiveDesktop();
  LiveDesktop(const LiveDesktop&) = delete;
  LiveDesktop& operator=(const LiveDesktop&) = delete;

  // Why the library cannot watch this desktop, as a short explanation for the user; nothing
  // when it can.
  std::optional<std::string> problem() const;
  // Whether the library may follow other applications; with prompt, the desktop is first asked
  // to allow it.
  bool accessibilityOn(bool prompt);
  // Tells the user on standard error how to allow it.
  void explainMissingPermission(bool prompted) const;
  // Delivers the library's work until the program is stopped.
  void run();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
