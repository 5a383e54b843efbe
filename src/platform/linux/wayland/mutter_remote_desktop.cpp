#include "platform/linux/wayland/mutter_remote_desktop.h"

namespace axb::platform::wayland::remote_desktop {

bool available() {
  return false;
}
bool ensureSession() {
  return false;
}
bool stoppedByUser() {
  return false;
}
void closeSession() {}
std::int64_t changeCount() {
  return 0;
}
x11::Targets read() {
  return {};
}
std::optional<std::string> readText() {
  return std::nullopt;
}
std::optional<std::int64_t> own(const x11::Targets&) {
  return std::nullopt;
}
bool serveUntil(double) {
  return false;
}
bool typePasteChord() {
  return false;
}

}  // namespace axb::platform::wayland::remote_desktop
