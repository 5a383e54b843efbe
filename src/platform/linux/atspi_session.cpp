#include "platform/linux/atspi_session.h"

#include <cstring>
#include <map>
#include <string>

#include "platform/utf8.h"

namespace axb::platform::linux_desktop {
namespace {

struct SessionState {
  bool attempted = false;
  bool connected = false;
  // Connection names are never reused on a bus, so what a name maps to stays true.
  std::map<std::string, ProcessId> processByBusName;
};

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

GRef<AtspiAccessible> applicationOf(ProcessId pid) {
  if (pid <= 0 || !ensureSession()) return {};
  const GRef<AtspiAccessible> desktop = GRef<AtspiAccessible>::adopt(atspi_get_desktop(0));
  if (!desktop) return {};
  GErrorSlot error;
  const gint count = atspi_accessible_get_child_count(desktop.get(), error.out());
  for (gint i = 0; i < count; ++i) {
    GRef<AtspiAccessible> application = GRef<AtspiAccessible>::adopt(
        atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
    if (application && processOf(application.get()) == pid) return application;
  }
  return {};
}

void forgetProcess(ProcessId pid) {
  std::erase_if(session().processByBusName,
                [pid](const auto& entry) { return entry.second == pid; });
}

std::string textFrom(const gchar* text) {
  return text ? utf8::toWellFormed(text) : std::string();
}

}  // namespace axb::platform::linux_desktop
