#include "e2e/clipboard_clients.h"

#include <algorithm>
#include <cstdint>
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
  const auto crc = [](const std::string& data) {
    std::uint32_t value = 0xffffffffu;
    for (const char c : data) {
      value ^= static_cast<unsigned char>(c);
      for (int k = 0; k < 8; ++k) value = (value >> 1) ^ (0xedb88320u & (0u - (value & 1u)));
    }
    return value ^ 0xffffffffu;
  };
  const auto be32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 8), static_cast<char>(v)};
  };
  const auto chunk = [&](const std::string& type, const std::string& data) {
    bytes += be32(static_cast<std::uint32_t>(data.size())) + type + data + be32(crc(type + data));
  };
  const std::uint32_t side = 300;
  chunk("IHDR", be32(side) + be32(side) + std::string("\x08\x02\x00\x00\x00", 5));
  std::mt19937 random(7);
  std::string raw;
  for (std::uint32_t y = 0; y < side; ++y) {
    raw.push_back('\0');
    for (std::uint32_t x = 0; x < side * 3; ++x) raw.push_back(static_cast<char>(random()));
  }
  // zlib stream of stored blocks.
  std::string zlib("\x78\x01", 2);
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const char c : raw) {
    a = (a + static_cast<unsigned char>(c)) % 65521;
    b = (b + a) % 65521;
  }
  for (std::size_t offset = 0; offset < raw.size(); offset += 65535) {
    const std::size_t length = std::min<std::size_t>(65535, raw.size() - offset);
    zlib.push_back(offset + length == raw.size() ? '\1' : '\0');
    const auto n = static_cast<std::uint16_t>(length);
    zlib += std::string{static_cast<char>(n & 0xff), static_cast<char>(n >> 8),
                        static_cast<char>(~n & 0xff), static_cast<char>((~n >> 8) & 0xff)};
    zlib += raw.substr(offset, length);
  }
  zlib += be32((b << 16) | a);
  chunk("IDAT", zlib);
  chunk("IEND", "");
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
