#include "platform/linux/wayland/session.h"

#include <gio/gio.h>

#include <cstdlib>
#include <map>
#include <string_view>

#include "platform/linux/atspi/event_hub.h"
#include "platform/linux/atspi/g_ref.h"
#include "platform/linux/wayland/sway_ipc.h"
#include "platform/linux/x11/x11_desktop.h"
#include "platform/run_loop.h"

namespace axb::platform::wayland {
namespace {

bool environmentSays(const char* name, std::string_view expected, bool contains = false) {
  const char* value = std::getenv(name);
  if (!value || !*value) return false;
  if (expected.empty()) return true;
  const std::string_view text(value);
  return contains ? text.find(expected) != std::string_view::npos : text == expected;
}

// GNOME's compositor owns its remote-desktop name on the session bus, whatever
// XDG_CURRENT_DESKTOP says (a headless session sets none).
bool mutterOnBus() {
  atspi::GErrorSlot error;
  const auto bus =
      atspi::GRef<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
  if (!bus) return false;
  atspi::GErrorSlot callError;
  const auto reply = atspi::GRef<GVariant>::adopt(g_dbus_connection_call_sync(
      bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
      "NameHasOwner", g_variant_new("(s)", "org.gnome.Mutter.RemoteDesktop"), G_VARIANT_TYPE("(b)"),
      G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, callError.out()));
  if (!reply) return false;
  gboolean owned = FALSE;
  g_variant_get(reply.get(), "(b)", &owned);
  return owned;
}

Desktop detect() {
  const bool wayland =
      environmentSays("WAYLAND_DISPLAY", "") || environmentSays("XDG_SESSION_TYPE", "wayland");
  if (!wayland) return Desktop::X11;
  if (environmentSays("SWAYSOCK", "") && sway::available()) return Desktop::Sway;
  if (environmentSays("XDG_CURRENT_DESKTOP", "GNOME", true) || mutterOnBus()) {
    return Desktop::Gnome;
  }
  return Desktop::OtherWayland;
}

// Whether a process has an X window, remembered: a yes for the process's life, a no for a few
// seconds (a starting application may open its window later).
constexpr double kNoWindowMemory = 2.0;
struct X11Answer {
  bool has = false;
  double askedAt = 0;
};
std::map<ProcessId, X11Answer>& x11Answers() {
  static auto* const answers = new std::map<ProcessId, X11Answer>();
  return *answers;
}

}  // namespace

Desktop desktop() {
  static const Desktop detected = detect();
  return detected;
}

bool isX11Client(ProcessId pid) {
  const Desktop running = desktop();
  if (running == Desktop::X11) return true;
  if (running == Desktop::Sway) {
    if (sway::contentOriginOf(pid)) return sway::isX11Window(pid);
  }
  const double now = monotonicSeconds();
  X11Answer& answer = x11Answers()[pid];
  if (answer.has || (answer.askedAt != 0 && now - answer.askedAt < kNoWindowMemory)) {
    return answer.has;
  }
  answer = {x11::hasWindowOf(pid), now};
  return answer.has;
}

std::optional<ProcessId> frontmostProcess() {
  switch (desktop()) {
    case Desktop::X11:
      return x11::frontmostProcess();
    case Desktop::Sway:
      return sway::focusedProcess();
    case Desktop::Gnome:
    case Desktop::OtherWayland:
      break;
  }
  return atspi::activeWindowProcess();
}

bool activateProcess(ProcessId pid) {
  switch (desktop()) {
    case Desktop::X11:
      return x11::activateProcess(pid);
    case Desktop::Sway:
      // sway ignores X11's activation requests unless configured otherwise: XWayland windows are
      // brought forward through the IPC too.
      return sway::focusProcess(pid);
    case Desktop::Gnome:
    case Desktop::OtherWayland:
      break;
  }
  // No Wayland client may raise another; an X window may still be asked for.
  return isX11Client(pid) && x11::activateProcess(pid);
}

std::optional<Point> nativeWindowOriginOf(ProcessId pid) {
  if (desktop() != Desktop::Sway) return std::nullopt;
  return sway::contentOriginOf(pid);
}

std::optional<std::string> applicationIdOf(ProcessId pid) {
  if (desktop() != Desktop::Sway) return std::nullopt;
  return sway::applicationIdOf(pid);
}

void forgetProcess(ProcessId pid) {
  x11Answers().erase(pid);
}

}  // namespace axb::platform::wayland
