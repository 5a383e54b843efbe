#include "e2e/clipboard_clients.h"

#include <cstdlib>
#include <fstream>
#include <random>

#include "e2e/clipboard_reader.h"
#include "e2e/wayland_input.h"

namespace axb::e2e {
namespace {

std::string writeFile(const std::string& name, const std::string& data) {
  const char* work = std::getenv("AXBRIDGE_DESKTOP_WORK");
  const std::string path = std::string(work ? work : "/tmp") + "/" + name;
  std::ofstream(path, std::ios::binary) << data;
  return path;
}

}  // namespace

std::string pngImage() {
  std::string bytes("\x89PNG\r\n\x1a\n", 8);
  std::mt19937 random(7);
  while (bytes.size() < 300000) bytes.push_back(static_cast<char>(random()));
  return bytes;
}

std::unique_ptr<ChildApp> copyInAnotherClient(
    const std::vector<std::pair<std::string, std::string>>& targets) {
  // In a Wayland session a native application that copied; on X11 an X client.
  std::vector<std::string> argv{AXBRIDGE_CLIPBOARD_OWNER};
  if (std::getenv("WAYLAND_DISPLAY")) {
    argv = {"/usr/bin/python3", AXBRIDGE_SOURCE_DIR "/tests/linux/wayland_clipboard.py", "copy"};
  }
  int index = 0;
  for (const auto& [target, data] : targets) {
    argv.push_back(target + "=" + writeFile("target" + std::to_string(index++), data));
  }
  auto owner = std::make_unique<ChildApp>(argv);
  // sway takes the clipboard only from a client that had input: a user copies with a key.
  if (swayRuns()) {
    const auto focused = owner->nextLine(10.0);
    if (!focused || !focused->is_object() || !focused->value("focused", false)) return nullptr;
    WaylandInput::instance().tap(0xffe1);  // Shift
  }
  const auto ready = owner->nextLine(10.0);
  if (!ready || !ready->is_object() || !ready->value("ready", false)) return nullptr;
  // Its claim reaches the compositor a moment after the application made it.
  if (swayRuns() && !pumpUntil([] { return !clipboardTargets().empty(); })) return nullptr;
  return owner;
}

}  // namespace axb::e2e
