// A client that owns the X11 CLIPBOARD the way an application that copied does: it offers the
// targets given as NAME=FILE arguments (split at the last "=") (the file's bytes as the data),
// prints one JSON line when it owns the clipboard, and serves it until its standard input closes or
// it is killed.
#include <fstream>
#include <iterator>
#include <string>

#include "platform/linux/x11/x11_clipboard.h"
#include "platform/run_loop.h"
#include "x11_peer.h"

int main(int argc, char** argv) {
  namespace x11 = axb::platform::x11;
  x11::Targets targets;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const std::size_t split = argument.rfind('=');
    if (split == std::string::npos) return 2;
    std::ifstream file(argument.substr(split + 1), std::ios::binary);
    if (!file) return 2;
    targets.emplace_back(argument.substr(0, split),
                         std::string(std::istreambuf_iterator<char>(file), {}));
  }
  x11::ownClipboard(targets, false);
  axb::x11_peer::say("{\"ready\": true}");
  while (!axb::x11_peer::inputClosed()) {
    x11::serveClipboardUntil(axb::platform::monotonicSeconds() + 0.05);
  }
}
