// The live watcher on an X11 desktop: the GLib main loop, which also takes the commands on
// standard input (live_commands.h).
#include <cstdio>

#include "axbridge/axbridge.h"
#include "live_commands.h"
#include "live_desktop.h"
#include "live_linux.h"

const char kLiveUsage[] =
    "usage: axbridge-watch --live [--prompt] [blocked-fields.json]\n"
    "\n"
    "Follows the application in front on this X11 desktop and prints every event the library\n"
    "delivers as one line:\n"
    "  {\"t\":<seconds since start>,\"event\":\"<name>\",\"data\":<JSON payload>}\n"
    "The library's diagnostic lines appear in between. Stop it with Control-C (or SIGTERM).\n"
    "\n"
    "  --live    watch the real desktop (needs DISPLAY, the session and accessibility buses)\n"
    "  blocked-fields.json   the blocked field list to start with (default: none)\n"
    "  --prompt  switch the desktop's accessibility on when it is off\n"
    "  --help    show this text\n"
    "\n"
    "Commands on standard input, one a line:\n"
    "  context         ask for the assistant context; the answer is an \"alt_enter_pressed\" line\n"
    "  replace <text>  replace the selected text with the rest of the line\n"
    "  front           bring the followed application back to the front\n"
    "  help            list these commands\n"
    "\n"
    "Scenarios and the built-in demo play on the simulated desktop, a build of its own:\n"
    "scripts/demo.sh makes and runs it; scripts/live-demo.sh shows --live on a headless desktop.\n";

struct LiveDesktop::Impl {
  MainLoop loop;
};

LiveDesktop::LiveDesktop() : impl_(std::make_unique<Impl>()) {}

LiveDesktop::~LiveDesktop() = default;

std::optional<std::string> LiveDesktop::problem() const {
  return desktopProblem();
}

bool LiveDesktop::accessibilityOn(bool prompt) {
  if (isAccessibiltyEnabled()) return true;
  if (!prompt) return false;
  // Switches it on, answering the state before: the state after is asked again.
  showAccessibiltyPermisionPopup();
  return isAccessibiltyEnabled();
}

// There is no permission on Linux: the desktop's accessibility is on or off for everyone.
void LiveDesktop::explainMissingPermission(bool prompted) const {
  std::fputs(
      "axbridge-watch: the desktop's accessibility is switched off (org.a11y.Status\n"
      "IsEnabled), so many applications do not show their contents.\n",
      stderr);
  std::fputs(prompted ? "It could not be switched on: switch on assistive technologies in the\n"
                        "desktop's accessibility settings, then start axbridge-watch again.\n"
                      : "Run axbridge-watch with --prompt to switch it on, or switch on assistive\n"
                        "technologies in the desktop's accessibility settings.\n",
             stderr);
}

void LiveDesktop::run() {
  impl_->loop.run(runLiveCommandLine);
}
