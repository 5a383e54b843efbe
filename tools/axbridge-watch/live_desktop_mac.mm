// The live watcher on macOS: the main run loop, and the accessibility permission of the app the
// program runs in.
#include <cstdio>

#include "axbridge/axbridge.h"
#include "live_desktop.h"
#include "live_mac.h"

const char kLiveUsage[] =
    "usage: axbridge-watch --live [--prompt] [blocked-fields.json]\n"
    "\n"
    "Follows the application in front and prints every event the library delivers as one line:\n"
    "  {\"t\":<seconds since start>,\"event\":\"<name>\",\"data\":<JSON payload>}\n"
    "The library's diagnostic lines appear in between. Stop it with Control-C.\n"
    "\n"
    "  --live    watch the real desktop (needs the accessibility permission)\n"
    "  blocked-fields.json   the blocked field list to start with (default: none)\n"
    "  --prompt  ask the system to prompt for the accessibility permission when it is missing\n"
    "  --help    show this text\n"
    "\n"
    "Scenarios and the built-in demo play on the simulated desktop, a build of its own:\n"
    "scripts/demo.sh makes and runs it.\n";

struct LiveDesktop::Impl {};

LiveDesktop::LiveDesktop() : impl_(std::make_unique<Impl>()) {}

LiveDesktop::~LiveDesktop() = default;

// Nothing to check before asking for the permission: the system is always there.
std::optional<std::string> LiveDesktop::problem() const {
  return std::nullopt;
}

bool LiveDesktop::accessibilityOn(bool prompt) {
  return prompt ? showAccessibiltyPermisionPopup() : isAccessibiltyEnabled();
}

// The permission is the app's that this program runs in (a terminal, an editor), not its own.
void LiveDesktop::explainMissingPermission(bool prompted) const {
  const std::string app = permissionHolderName();
  std::fprintf(stderr,
               "axbridge-watch: the accessibility permission is missing; it belongs to %s.\n"
               "Allow %s under System Settings > Privacy & Security > Accessibility\n"
               "(macOS 12 and earlier: System Preferences > Security & Privacy > Privacy >\n"
               "Accessibility), then start axbridge-watch again%s.\n",
               app.empty() ? "the terminal or app that runs this program" : app.c_str(),
               app.empty() ? "that app" : app.c_str(),
               prompted ? "" : " (or run it with --prompt to be asked)");
}

void LiveDesktop::run() {
  runMainRunLoop();
}
