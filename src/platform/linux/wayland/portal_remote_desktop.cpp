#include "platform/linux/wayland/portal_remote_desktop.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/linux/glib/g_ref.h"

namespace axb::platform::wayland::portal {
namespace {

constexpr char kService[] = "org.freedesktop.portal.Desktop";
constexpr char kPath[] = "/org/freedesktop/portal/desktop";
constexpr char kInterface[] = "org.freedesktop.portal.RemoteDesktop";
constexpr std::uint32_t kKeyboard = 1;
// From version 2 the portal keeps a grant until the user withdraws it in the desktop's settings,
// and hands out a token that restores it without a dialog.
constexpr std::uint32_t kPersistUntilRevoked = 2;
constexpr std::uint32_t kAnswerFailed = 2;
constexpr int kKeyMilliseconds = 1000;
constexpr std::int32_t kControlL = 0xffe3;
constexpr std::int32_t kLetterV = 0x0076;

enum class Phase { Idle, Asking, Granted };

struct Grant {
  GRef<GDBusConnection> bus;
  Phase phase = Phase::Idle;
  std::uint32_t version = 0;
  std::string session;
  // The session's Closed signal is dispatched on a context of the library's own, turned whenever
  // a paste asks about the session: one ended during a paste's waits types nothing more.
  GMainContext* signals = g_main_context_new();
  guint closedSubscription = 0;
  unsigned tokens = 0;
};

Grant& grant() {
  static auto* const state = new Grant();
  return *state;
}

// A token restores a grant across the host's runs: it is kept in the user's state directory.
std::string tokenFile() {
  const GText path(g_build_filename(g_get_user_state_dir(), "axbridge",
                                    "remote-desktop-restore-token", nullptr));
  return path.get();
}

std::string savedToken() {
  gchar* contents = nullptr;
  if (!g_file_get_contents(tokenFile().c_str(), &contents, nullptr, nullptr)) return {};
  const GText held(contents);
  return g_utf8_validate(contents, -1, nullptr) ? contents : "";
}

void saveToken(const char* token) {
  const std::string path = tokenFile();
  const GText directory(g_path_get_dirname(path.c_str()));
  g_mkdir_with_parents(directory.get(), 0700);
  g_file_set_contents_full(path.c_str(), token, -1, G_FILE_SET_CONTENTS_CONSISTENT, 0600, nullptr);
}

void endSession() {
  Grant& g = grant();
  if (g.closedSubscription) g_dbus_connection_signal_unsubscribe(g.bus.get(), g.closedSubscription);
  g.closedSubscription = 0;
  if (!g.session.empty()) {
    g_dbus_connection_call(g.bus.get(), kService, g.session.c_str(),
                           "org.freedesktop.portal.Session", "Close", nullptr, nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
  }
  g.session.clear();
  g.phase = Phase::Idle;
}

// The user ended the session (or the portal did): the next paste is refused until the host asks
// again.
void onClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
              gpointer) {
  Grant& g = grant();
  g.session.clear();
  endSession();
}

// One question to the portal: the method answers with a request, whose Response signal carries
// the answer whenever the user gives it.
struct Pending {
  GRef<GDBusConnection> bus;
  std::function<void(std::uint32_t, GVariant*)> then;
  guint subscription = 0;
  bool answered = false;
  void answer(std::uint32_t response, GVariant* results) {
    if (answered) return;
    answered = true;
    g_dbus_connection_signal_unsubscribe(bus.get(), subscription);
    then(response, results);
  }
};
using PendingRef = std::shared_ptr<Pending>;

void onResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                GVariant* parameters, gpointer data) {
  const PendingRef pending = *static_cast<PendingRef*>(data);
  std::uint32_t response = kAnswerFailed;
  GVariant* results = nullptr;
  if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})"))) {
    g_variant_get(parameters, "(u@a{sv})", &response, &results);
  }
  const GRef<GVariant> held = GRef<GVariant>::adopt(results);
  pending->answer(response, results);
}

void onCalled(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<PendingRef> pending(static_cast<PendingRef*>(data));
  GErrorSlot error;
  const GRef<GVariant> reply = GRef<GVariant>::adopt(
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, error.out()));
  if (!reply) (*pending)->answer(kAnswerFailed, nullptr);
}

// The request's path is known before the call (the sender's unique name and a token of the
// library's own), so its answer is listened for before it can come.
void ask(const char* method, const std::function<GVariant*(GVariant* options)>& parameters,
         const std::function<void(GVariantBuilder&)>& addOptions,
         std::function<void(std::uint32_t, GVariant*)> then) {
  Grant& g = grant();
  const std::string token = "axbridge" + std::to_string(++g.tokens);
  const gchar* unique = g_dbus_connection_get_unique_name(g.bus.get());
  if (!unique) {
    then(kAnswerFailed, nullptr);
    return;
  }
  std::string sender = unique;
  sender.erase(0, 1);
  std::replace(sender.begin(), sender.end(), '.', '_');
  const std::string request = std::string(kPath) + "/request/" + sender + "/" + token;
  auto pending = std::make_shared<Pending>();
  pending->bus = g.bus;
  pending->then = std::move(then);
  pending->subscription = g_dbus_connection_signal_subscribe(
      g.bus.get(), kService, "org.freedesktop.portal.Request", "Response", request.c_str(), nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, onResponse, new PendingRef(pending),
      [](gpointer data) { delete static_cast<PendingRef*>(data); });
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
  addOptions(options);
  g_dbus_connection_call(g.bus.get(), kService, kPath, kInterface, method,
                         parameters(g_variant_builder_end(&options)), G_VARIANT_TYPE("(o)"),
                         G_DBUS_CALL_FLAGS_NONE, -1, nullptr, onCalled, new PendingRef(pending));
}

void start() {
  ask(
      "Start",
      [](GVariant* options) {
        return g_variant_new("(os@a{sv})", grant().session.c_str(), "", options);
      },
      [](GVariantBuilder&) {},
      [](std::uint32_t response, GVariant* results) {
        Grant& g = grant();
        std::uint32_t devices = 0;
        if (response == 0 && results) g_variant_lookup(results, "devices", "u", &devices);
        if (!(devices & kKeyboard)) {
          endSession();
          return;
        }
        const gchar* token = nullptr;
        if (g_variant_lookup(results, "restore_token", "&s", &token) && token) saveToken(token);
        g.phase = Phase::Granted;
      });
}

void selectDevices() {
  ask(
      "SelectDevices",
      [](GVariant* options) {
        return g_variant_new("(o@a{sv})", grant().session.c_str(), options);
      },
      [](GVariantBuilder& options) {
        g_variant_builder_add(&options, "{sv}", "types", g_variant_new_uint32(kKeyboard));
        if (grant().version < 2) return;
        g_variant_builder_add(&options, "{sv}", "persist_mode",
                              g_variant_new_uint32(kPersistUntilRevoked));
        const std::string token = savedToken();
        if (!token.empty()) {
          g_variant_builder_add(&options, "{sv}", "restore_token",
                                g_variant_new_string(token.c_str()));
        }
      },
      [](std::uint32_t response, GVariant*) {
        if (response == 0) {
          start();
        } else {
          endSession();
        }
      });
}

void createSession() {
  ask(
      "CreateSession", [](GVariant* options) { return g_variant_new("(@a{sv})", options); },
      [](GVariantBuilder& options) {
        g_variant_builder_add(
            &options, "{sv}", "session_handle_token",
            g_variant_new_string(("axbridge" + std::to_string(grant().tokens)).c_str()));
      },
      [](std::uint32_t response, GVariant* results) {
        Grant& g = grant();
        const gchar* session = nullptr;
        if (response != 0 || !results ||
            !g_variant_lookup(results, "session_handle", "&s", &session) || !session ||
            !g_variant_is_object_path(session)) {
          g.phase = Phase::Idle;
          return;
        }
        g.session = session;
        g_main_context_push_thread_default(g.signals);
        g.closedSubscription = g_dbus_connection_signal_subscribe(
            g.bus.get(), kService, "org.freedesktop.portal.Session", "Closed", session, nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE, onClosed, nullptr, nullptr);
        g_main_context_pop_thread_default(g.signals);
        selectDevices();
      });
}

void onVersion(GObject* source, GAsyncResult* result, gpointer) {
  Grant& g = grant();
  GErrorSlot error;
  const GRef<GVariant> reply = GRef<GVariant>::adopt(
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, error.out()));
  GVariant* value = nullptr;
  if (reply) g_variant_get(reply.get(), "(v)", &value);
  const GRef<GVariant> held = GRef<GVariant>::adopt(value);
  // No portal, or one without remote desktops.
  if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) {
    g.phase = Phase::Idle;
    return;
  }
  g.version = g_variant_get_uint32(value);
  createSession();
}

}  // namespace

void requestKeyboard() {
  Grant& g = grant();
  if (granted() || g.phase == Phase::Asking) return;
  if (!g.bus) {
    GErrorSlot error;
    g.bus = GRef<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
    if (!g.bus) return;
  }
  g.phase = Phase::Asking;
  g_dbus_connection_call(g.bus.get(), kService, kPath, "org.freedesktop.DBus.Properties", "Get",
                         g_variant_new("(ss)", kInterface, "version"), G_VARIANT_TYPE("(v)"),
                         G_DBUS_CALL_FLAGS_NONE, -1, nullptr, onVersion, nullptr);
}

bool granted() {
  Grant& g = grant();
  while (g_main_context_iteration(g.signals, FALSE)) {
  }
  return g.phase == Phase::Granted;
}

bool typePasteChord() {
  Grant& g = grant();
  bool sent = true;
  for (const auto& [keysym, pressed] : {std::pair{kControlL, true}, std::pair{kLetterV, true},
                                        std::pair{kLetterV, false}, std::pair{kControlL, false}}) {
    if (!granted()) return false;
    GErrorSlot error;
    const GRef<GVariant> reply = GRef<GVariant>::adopt(g_dbus_connection_call_sync(
        g.bus.get(), kService, kPath, kInterface, "NotifyKeyboardKeysym",
        g_variant_new("(oa{sv}iu)", g.session.c_str(), nullptr, keysym, pressed ? 1u : 0u), nullptr,
        G_DBUS_CALL_FLAGS_NONE, kKeyMilliseconds, nullptr, error.out()));
    sent = static_cast<bool>(reply) && sent;
  }
  return sent && granted();
}

}  // namespace axb::platform::wayland::portal
