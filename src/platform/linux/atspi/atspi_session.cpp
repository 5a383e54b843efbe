#include "platform/linux/atspi/atspi_session.h"

#include <gio/gio.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/utf8.h"

namespace axb::platform::atspi {
namespace {

struct SessionState {
  bool attempted = false;
  bool connected = false;
  // Connection names are never reused on a bus, so what a name maps to stays true (until the
  // bus itself is replaced).
  std::map<std::string, ProcessId> processByBusName;
  // Each process's application accessible, as its events or the desktop's children showed it.
  std::map<ProcessId, GRef<AtspiAccessible>> applicationByProcess;
  guint launcherWatch = 0;
  bool launcherSeen = false;
  bool launcherLost = false;
  std::function<void()> disconnecting;
  std::function<void()> reconnected;
};

// The accessibility bus's launcher, on the session bus.
constexpr char kLauncherName[] = "org.a11y.Bus";
// How long after the bus came back the session connects to it again.
constexpr guint kReconnectDelayMilliseconds = 1000;

SessionState& session() {
  // Never destroyed: listeners may still run while the process exits.
  static SessionState* const state = new SessionState();
  return *state;
}

bool contains(const char* haystack, const char* needle) {
  return haystack && std::strstr(haystack, needle) != nullptr;
}

}  // namespace

bool ensureSession() {
  SessionState& state = session();
  if (state.attempted) return state.connected;
  state.attempted = true;
  // atspi_init answers 1 when it was initialised already (by the host, say): that is fine too.
  const int result = atspi_init();
  state.connected = result == 0 || result == 1;
  if (!state.connected) return false;
  // A stopped application would otherwise hold each request for the D-Bus default of 25 s.
  atspi_set_timeout(kRequestTimeoutMilliseconds, -1);
  return true;
}

namespace {

// libatspi keeps a record of every application it met, by bus name, for the process's life,
// atspi_exit included, and disposes of (or leaves on the closed connection) the ones of the old
// bus. Names on a new bus start again from the beginning, so an application there would meet
// the stale record of whoever had its name before, and every request to it would fail. The
// records reachable from the desktop (every application in the tree, and the registry's) are
// kept aside and made fresh for the new bus.
std::vector<GRef<AtspiApplication>> applicationRecords() {
  std::vector<GRef<AtspiApplication>> records;
  const GRef<AtspiAccessible> held = GRef<AtspiAccessible>::adopt(atspi_get_desktop(0));
  const AtspiAccessible* desktop = held.get();
  if (!desktop) return records;
  if (desktop->parent.app) records.push_back(GRef<AtspiApplication>::retain(desktop->parent.app));
  for (guint i = 0; desktop->children && i < desktop->children->len; ++i) {
    const auto* child = static_cast<AtspiAccessible*>(g_ptr_array_index(desktop->children, i));
    if (child && child->parent.app) {
      records.push_back(GRef<AtspiApplication>::retain(child->parent.app));
    }
  }
  return records;
}

void refreshForNewBus(AtspiApplication& record, DBusConnection* bus) {
  if (record.bus != bus) {
    if (record.bus) dbus_connection_unref(record.bus);
    record.bus = dbus_connection_ref(bus);
  }
  // What it cached belongs to the old bus's application: forgotten (as libatspi creates it).
  if (record.hash) {
    g_hash_table_remove_all(record.hash);
  } else {
    record.hash = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_object_unref);
  }
  record.root = nullptr;
  record.cache = ATSPI_CACHE_UNDEFINED;
}

void reconnect() {
  SessionState& state = session();
  // The old bus is gone with the launcher: everything known about its connections with it.
  if (state.disconnecting) state.disconnecting();
  const std::vector<GRef<AtspiApplication>> records = applicationRecords();
  atspi_exit();
  state.processByBusName.clear();
  state.applicationByProcess.clear();
  state.attempted = false;
  state.connected = false;
  if (!ensureSession()) return;
  if (DBusConnection* bus = atspi_get_a11y_bus()) {
    for (const GRef<AtspiApplication>& record : records) refreshForNewBus(*record.get(), bus);
  }
  if (state.reconnected) state.reconnected();
}

void launcherAppeared(GDBusConnection*, const gchar*, const gchar*, gpointer) {
  SessionState& state = session();
  state.launcherSeen = true;
  if (!std::exchange(state.launcherLost, false)) return;
  // Connected a moment later: the application that asked for the bus, and the registry it
  // starts, are on it first. Names met first on the old bus are where libatspi's stale records
  // lie (see applicationRecords), and an application that took one of them could not be told
  // from the one before it.
  g_timeout_add(
      kReconnectDelayMilliseconds,
      [](gpointer) -> gboolean {
        reconnect();
        return G_SOURCE_REMOVE;
      },
      nullptr);
}

void launcherVanished(GDBusConnection*, const gchar*, gpointer) {
  SessionState& state = session();
  // The first answer may say it is not there yet: only losing one that was there counts.
  if (state.launcherSeen) state.launcherLost = true;
}

}  // namespace

void followRestarts(std::function<void()> disconnecting, std::function<void()> reconnected) {
  SessionState& state = session();
  state.disconnecting = std::move(disconnecting);
  state.reconnected = std::move(reconnected);
  if (state.launcherWatch) return;
  // Watched without starting it: the bus comes back when an application (or the session) asks
  // for it.
  state.launcherWatch =
      g_bus_watch_name(G_BUS_TYPE_SESSION, kLauncherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                       launcherAppeared, launcherVanished, nullptr, nullptr);
}

AXErrorCode errorCodeOf(const GError* error) {
  if (!error) return axerr::kFailure;
  const char* message = error->message;
  // libatspi words its own timeout "timeout from dbind"; D-Bus says "Did not receive a reply".
  if (contains(message, "NoReply") || contains(message, "timeout") ||
      contains(message, "Timeout") || contains(message, "timed out") ||
      contains(message, "Did not receive a reply")) {
    return axerr::kCannotComplete;
  }
  if (contains(message, "UnknownObject") || contains(message, "ServiceUnknown") ||
      contains(message, "UnknownMethod") || contains(message, "was not provided") ||
      contains(message, "Disconnected") || contains(message, "does not exist") ||
      contains(message, "unknown object")) {
    return axerr::kInvalidUIElement;
  }
  return axerr::kFailure;
}

std::optional<ProcessId> processOf(AtspiAccessible* accessible) {
  if (!accessible || !accessible->parent.app || !accessible->parent.app->bus_name) {
    return std::nullopt;
  }
  SessionState& state = session();
  const std::string busName = accessible->parent.app->bus_name;
  if (const auto known = state.processByBusName.find(busName);
      known != state.processByBusName.end()) {
    return known->second;
  }
  GErrorSlot error;
  const guint pid = atspi_accessible_get_process_id(accessible, error.out());
  if (error || pid == 0) return std::nullopt;
  state.processByBusName.emplace(busName, static_cast<ProcessId>(pid));
  return static_cast<ProcessId>(pid);
}

void noteApplicationOf(AtspiAccessible* accessible) {
  AtspiApplication* application = accessible ? accessible->parent.app : nullptr;
  if (!application || !application->root) return;
  const std::optional<ProcessId> pid = processOf(accessible);
  if (!pid) return;
  GRef<AtspiAccessible>& known = session().applicationByProcess[*pid];
  // An application that connected anew (its accessibility turned off and on) speaks through
  // another connection from then on.
  if (!known || known.get() != application->root) {
    known = GRef<AtspiAccessible>::retain(application->root);
  }
}

GRef<AtspiAccessible> applicationOf(ProcessId pid) {
  if (pid <= 0 || !ensureSession()) return {};
  SessionState& state = session();
  if (const auto known = state.applicationByProcess.find(pid);
      known != state.applicationByProcess.end()) {
    return known->second;
  }
  const GRef<AtspiAccessible> desktop = GRef<AtspiAccessible>::adopt(atspi_get_desktop(0));
  if (!desktop) return {};
  GErrorSlot error;
  const gint count = atspi_accessible_get_child_count(desktop.get(), error.out());
  for (gint i = 0; i < count; ++i) {
    GRef<AtspiAccessible> application = GRef<AtspiAccessible>::adopt(
        atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
    if (application && processOf(application.get()) == pid) {
      state.applicationByProcess[pid] = application;
      return application;
    }
  }
  return {};
}

void forgetProcess(ProcessId pid) {
  session().applicationByProcess.erase(pid);
  std::erase_if(session().processByBusName,
                [pid](const auto& entry) { return entry.second == pid; });
}

std::string textFrom(const gchar* text) {
  return text ? utf8::toWellFormed(text) : std::string();
}

}  // namespace axb::platform::atspi
