#include "platform/linux/wayland/session.h"

#include <gio/gio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string_view>

#include "platform/linux/glib/g_ref.h"
#include "platform/linux/wayland/mutter_remote_desktop.h"
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

Desktop detect() {
  const bool wayland =
      environmentSays("WAYLAND_DISPLAY", "") || environmentSays("XDG_SESSION_TYPE", "wayland");
  if (!wayland) return Desktop::X11;
  if (environmentSays("SWAYSOCK", "") && sway::available()) return Desktop::Sway;
  // GNOME's compositor owns its remote-desktop name on the session bus, whatever
  // XDG_CURRENT_DESKTOP says (a headless session sets none).
  if (environmentSays("XDG_CURRENT_DESKTOP", "GNOME", true) || remote_desktop::available()) {
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

std::map<ProcessId, std::optional<std::string>>& busIds() {
  static auto* const ids = new std::map<ProcessId, std::optional<std::string>>();
  return *ids;
}

// Where the compositor does not tell, a GTK or other GApplication's id (by convention its
// desktop-file id, and what its windows carry as their Wayland app_id) is the name it owns on the
// session bus: the first name in reverse-DNS form the process owns.
std::optional<std::string> applicationNameOnBus(ProcessId pid) {
  GErrorSlot error;
  const auto bus =
      GRef<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
  if (!bus) return std::nullopt;
  const auto ask = [&bus](const char* method, GVariant* parameters, const char* type) {
    GErrorSlot callError;
    return GRef<GVariant>::adopt(g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        parameters, G_VARIANT_TYPE(type), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, callError.out()));
  };
  const auto names = ask("ListNames", nullptr, "(as)");
  if (!names) return std::nullopt;
  const auto list = GRef<GVariant>::adopt(g_variant_get_child_value(names.get(), 0));
  // A bus has a few dozen names; a flood of them is not looked through.
  const gsize count = std::min<gsize>(g_variant_n_children(list.get()), 512);
  for (gsize i = 0; i < count; ++i) {
    const char* name = nullptr;
    g_variant_get_child(list.get(), i, "&s", &name);
    const std::string_view text(name ? name : "");
    if (text.empty() || text[0] == ':' || text.find('.') == std::string_view::npos ||
        text.rfind("org.freedesktop.", 0) == 0 || text.rfind("org.a11y.", 0) == 0) {
      continue;
    }
    const auto owner = ask("GetConnectionUnixProcessID", g_variant_new("(s)", name), "(u)");
    guint32 ownerPid = 0;
    if (owner) g_variant_get(owner.get(), "(u)", &ownerPid);
    if (static_cast<ProcessId>(ownerPid) == pid) return std::string(text);
  }
  return std::nullopt;
}

std::optional<ProcessId> lastOtherFront;
std::optional<ProcessId> (*treeFront)() = nullptr;

std::optional<ProcessId> askFront() {
  switch (desktop()) {
    case Desktop::X11:
      return x11::frontmostProcess();
    case Desktop::Sway:
      return sway::focusedProcess();
    case Desktop::Gnome:
    case Desktop::OtherWayland:
      break;
  }
  return treeFront ? treeFront() : std::nullopt;
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

void setTreeFront(std::optional<ProcessId> (*source)()) {
  treeFront = source;
}

std::optional<ProcessId> frontmostProcess() {
  const std::optional<ProcessId> front = askFront();
  if (front && *front != ::getpid()) lastOtherFront = front;
  return front;
}

std::optional<ProcessId> frontmostOtherProcess() {
  const std::optional<ProcessId> front = frontmostProcess();
  return front == ::getpid() ? lastOtherFront : front;
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

std::optional<Size> nativeFloatingWindowSizeOf(ProcessId pid) {
  if (desktop() != Desktop::Sway) return std::nullopt;
  return sway::floatingContentSizeOf(pid);
}

std::optional<std::string> applicationIdOf(ProcessId pid) {
  switch (desktop()) {
    case Desktop::X11:
      return std::nullopt;
    case Desktop::Sway:
      // An X11 application keeps the identity its X windows give.
      return sway::isX11Window(pid) ? std::nullopt : sway::applicationIdOf(pid);
    case Desktop::Gnome:
    case Desktop::OtherWayland:
      break;
  }
  if (isX11Client(pid)) return std::nullopt;
  // Asked once per process: the answer takes a request per name on the bus.
  auto& known = busIds();
  if (const auto found = known.find(pid); found != known.end()) return found->second;
  return known[pid] = applicationNameOnBus(pid);
}

void forgetProcess(ProcessId pid) {
  x11Answers().erase(pid);
  busIds().erase(pid);
}

}  // namespace axb::platform::wayland
