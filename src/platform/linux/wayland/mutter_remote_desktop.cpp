#include "platform/linux/wayland/mutter_remote_desktop.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "platform/linux/glib/g_ref.h"
#include "platform/linux/wayland/clipboard_read.h"
#include "platform/run_loop.h"
#include "platform/sliced_wait.h"

namespace axb::platform::wayland::remote_desktop {
namespace {

constexpr char kService[] = "org.gnome.Mutter.RemoteDesktop";
constexpr char kPath[] = "/org/gnome/Mutter/RemoteDesktop";
constexpr char kSessionInterface[] = "org.gnome.Mutter.RemoteDesktop.Session";
// Each call waits this long at most; the same bounds as the other clipboards otherwise.
constexpr int kCallMilliseconds = 1000;
// The session's keyboard appears a moment after the session starts; a key sent earlier is lost.
constexpr double kKeyboardSettles = 0.5;
// Once the paste is over, mutter takes its copy of what the session owns (the text): the session
// is closed this long after the host's main context runs again.
constexpr double kCloseAfter = 0.5;
constexpr std::uint32_t kControlL = 0xffe3;
constexpr std::uint32_t kLetterV = 0x0076;

struct Session {
  GRef<GDBusConnection> bus;
  // The session's signals are dispatched on a context of the library's own, turned inside the
  // library's waits and, once the paste is over, from the host's main context until it closes.
  GMainContext* context = nullptr;
  std::string path;
  std::vector<guint> subscriptions;
  double startedAt = 0;
  bool closed = false;   // by mutter (the user pressed stop)
  bool stopped = false;  // by the library
  std::int64_t changes = 0;
  bool owner = false;  // the session owns the selection
  std::vector<std::string> ownerTypes;
  std::vector<std::pair<std::string, std::shared_ptr<const std::string>>> offered;
  guint closer = 0;
};

Session*& current() {
  static Session* session = nullptr;
  return session;
}

// Set once mutter answers a session request with an error (later releases refuse callers other
// than their own): the desktop then has no way to paste, which later pastes say at once.
bool& refused() {
  static bool once = false;
  return once;
}

// An error mutter sent back, as opposed to a call that timed out or found no bus.
bool isRefusal(const GErrorSlot& error) {
  return error && g_dbus_error_is_remote_error(error.get()) &&
         !g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY) &&
         !g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_TIMEOUT);
}

GRef<GDBusConnection> sessionBus() {
  GErrorSlot error;
  return GRef<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
}

GRef<GVariant> call(Session& s, const char* method, GVariant* parameters,
                    const GVariantType* replyType = nullptr, GUnixFDList** fds = nullptr,
                    GErrorSlot* failure = nullptr) {
  GErrorSlot error;
  return GRef<GVariant>::adopt(g_dbus_connection_call_with_unix_fd_list_sync(
      s.bus.get(), kService, s.path.c_str(), kSessionInterface, method, parameters, replyType,
      G_DBUS_CALL_FLAGS_NONE, kCallMilliseconds, nullptr, fds, nullptr,
      (failure ? failure : &error)->out()));
}

bool writeAll(int fd, const std::string& data, double deadline) {
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      const double left = deadline - monotonicSeconds();
      pollfd entry{fd, POLLOUT, 0};
      if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left * 1000) + 1) <= 0) return false;
      continue;
    }
    return false;
  }
  return true;
}

// Someone pastes what the session owns: the data goes through a pipe mutter hands over.
void serveTransfer(Session& s, const char* mimeType, std::uint32_t serial) {
  const auto found = std::find_if(s.offered.begin(), s.offered.end(),
                                  [mimeType](const auto& o) { return o.first == mimeType; });
  if (found == s.offered.end()) {
    call(s, "SelectionWriteDone", g_variant_new("(ub)", serial, FALSE));
    return;
  }
  GUnixFDList* received = nullptr;
  const GRef<GVariant> reply =
      call(s, "SelectionWrite", g_variant_new("(u)", serial), G_VARIANT_TYPE("(h)"), &received);
  const GRef<GUnixFDList> fds = GRef<GUnixFDList>::adopt(received);
  bool written = false;
  if (reply && fds) {
    gint32 index = -1;
    g_variant_get(reply.get(), "(h)", &index);
    GErrorSlot error;
    const int fd = g_unix_fd_list_get(fds.get(), index, error.out());
    if (fd >= 0) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
      // A reader that stops reading is given up: the host is not held.
      written = writeAll(fd, *found->second, monotonicSeconds() + kRequestWait);
      ::close(fd);
    }
  }
  call(s, "SelectionWriteDone", g_variant_new("(ub)", serial, written));
}

void onSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
              GVariant* parameters, gpointer) {
  Session* s = current();
  if (!s) return;
  const std::string_view signal(name);
  if (signal == "Closed") {
    s->closed = true;
  } else if (signal == "SelectionOwnerChanged" &&
             g_variant_is_of_type(parameters, G_VARIANT_TYPE("(a{sv})"))) {
    GRef<GVariant> options = GRef<GVariant>::adopt(g_variant_get_child_value(parameters, 0));
    gboolean isOwner = FALSE;
    g_variant_lookup(options.get(), "session-is-owner", "b", &isOwner);
    s->owner = isOwner;
    s->ownerTypes.clear();
    // Mutter wraps the list in a tuple here (it takes a plain list in SetSelection).
    GRef<GVariant> types =
        GRef<GVariant>::adopt(g_variant_lookup_value(options.get(), "mime-types", nullptr));
    if (types && g_variant_is_of_type(types.get(), G_VARIANT_TYPE("(as)"))) {
      types = GRef<GVariant>::adopt(g_variant_get_child_value(types.get(), 0));
    }
    if (types && g_variant_is_of_type(types.get(), G_VARIANT_TYPE("as"))) {
      const gsize count = std::min<gsize>(g_variant_n_children(types.get()), kMostTypes);
      for (gsize i = 0; i < count; ++i) {
        const gchar* type = nullptr;
        g_variant_get_child(types.get(), i, "&s", &type);
        if (type) s->ownerTypes.emplace_back(type);
      }
    }
    ++s->changes;
  } else if (signal == "SelectionTransfer" &&
             g_variant_is_of_type(parameters, G_VARIANT_TYPE("(su)"))) {
    const gchar* mimeType = nullptr;
    std::uint32_t serial = 0;
    g_variant_get(parameters, "(&su)", &mimeType, &serial);
    serveTransfer(*s, mimeType, serial);
  }
}

// Dispatches what arrived for the session, waiting until the deadline at most for something to.
void turn(Session& s, double deadline) {
  do {
    while (g_main_context_iteration(s.context, FALSE)) {
    }
    if (monotonicSeconds() >= deadline) return;
    sleepSeconds(std::min(0.01, deadline - monotonicSeconds()));
  } while (monotonicSeconds() < deadline);
}

void end(Session* s) {
  if (!s) return;
  if (!s->closed) call(*s, "Stop", nullptr);
  for (const guint id : s->subscriptions) g_dbus_connection_signal_unsubscribe(s->bus.get(), id);
  while (g_main_context_iteration(s->context, FALSE)) {
  }
  g_main_context_unref(s->context);
  delete s;
}

// Closes the session once the paste is over: from the host's main context, which runs again
// after the paste, serving mutter's copy of the text meanwhile.
void scheduleClose(Session& s) {
  if (s.closer) return;
  struct Closing {
    double until = 0;  // set when the main context first runs again
  };
  s.closer = g_timeout_add_full(
      G_PRIORITY_DEFAULT, 50,
      [](gpointer data) -> gboolean {
        Session* open = current();
        if (!open) return G_SOURCE_REMOVE;
        while (g_main_context_iteration(open->context, FALSE)) {
        }
        auto* closing = static_cast<Closing*>(data);
        if (closing->until == 0) closing->until = monotonicSeconds() + kCloseAfter;
        if (monotonicSeconds() < closing->until && !open->closed) {
          return G_SOURCE_CONTINUE;
        }
        open->closer = 0;
        current() = nullptr;
        end(open);
        return G_SOURCE_REMOVE;
      },
      new Closing(), [](gpointer data) { delete static_cast<Closing*>(data); });
}

Session* open() {
  auto* s = new Session();
  s->bus = sessionBus();
  if (!s->bus) {
    delete s;
    return nullptr;
  }
  GErrorSlot error;
  const auto created = GRef<GVariant>::adopt(g_dbus_connection_call_sync(
      s->bus.get(), kService, kPath, kService, "CreateSession", nullptr, G_VARIANT_TYPE("(o)"),
      G_DBUS_CALL_FLAGS_NONE, kCallMilliseconds, nullptr, error.out()));
  if (!created) {
    refused() = isRefusal(error);
    delete s;
    return nullptr;
  }
  const gchar* path = nullptr;
  g_variant_get(created.get(), "(&o)", &path);
  s->path = path;
  s->context = g_main_context_new();
  g_main_context_push_thread_default(s->context);
  for (const char* signal : {"Closed", "SelectionOwnerChanged", "SelectionTransfer"}) {
    s->subscriptions.push_back(g_dbus_connection_signal_subscribe(
        s->bus.get(), kService, kSessionInterface, signal, s->path.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, onSignal, nullptr, nullptr));
  }
  g_main_context_pop_thread_default(s->context);
  current() = s;
  GErrorSlot startError;
  const bool started = static_cast<bool>(call(*s, "Start", nullptr, nullptr, nullptr, &startError));
  if (!started) refused() = isRefusal(startError);
  const bool clipboard = started && static_cast<bool>(call(*s, "EnableClipboard",
                                                           g_variant_new_parsed("(@a{sv} {},)")));
  if (!started || !clipboard) {
    current() = nullptr;
    end(s);
    return nullptr;
  }
  s->startedAt = monotonicSeconds();
  // Mutter tells the session who owns the selection now.
  turn(*s, monotonicSeconds() + 0.1);
  scheduleClose(*s);
  return s;
}

// The paste's session, opened when the paste first needs it (its clipboard snapshot comes after
// the checks that may cancel it, so a cancelled paste opens none).
// A session the user stopped stays current, closed, until the host's main context runs again:
// the rest of that paste finds no session and nothing is typed or written.
Session* usable() {
  if (Session* s = current()) return s->closed ? nullptr : s;
  return open();
}

}  // namespace

bool available() {
  static const bool onBus = [] {
    const GRef<GDBusConnection> bus = sessionBus();
    if (!bus) return false;
    GErrorSlot error;
    const auto reply = GRef<GVariant>::adopt(g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", kService), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NONE, kCallMilliseconds, nullptr, error.out()));
    gboolean owned = FALSE;
    if (reply) g_variant_get(reply.get(), "(b)", &owned);
    return owned == TRUE;
  }();
  return onBus && !refused();
}

std::int64_t changeCount() {
  Session* s = usable();
  if (!s) return 0;
  turn(*s, 0);
  return s->changes;
}

namespace {

Outcome receive(Session& s, const std::string& type, double deadline, std::size_t limit,
                std::string& data) {
  GUnixFDList* received = nullptr;
  const GRef<GVariant> reply = call(s, "SelectionRead", g_variant_new("(s)", type.c_str()),
                                    G_VARIANT_TYPE("(h)"), &received);
  const GRef<GUnixFDList> fds = GRef<GUnixFDList>::adopt(received);
  if (!reply || !fds) return Outcome::Refused;
  gint32 index = -1;
  g_variant_get(reply.get(), "(h)", &index);
  GErrorSlot error;
  const int fd = g_unix_fd_list_get(fds.get(), index, error.out());
  if (fd < 0) return Outcome::Refused;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  Outcome outcome = Outcome::TimedOut;
  char chunk[64 * 1024];
  for (;;) {
    const double left = deadline - monotonicSeconds();
    if (left <= 0) break;
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(left * 1000) + 1) <= 0) continue;
    const ssize_t n = ::read(fd, chunk, sizeof(chunk));
    if (n == 0) {
      outcome = Outcome::Read;
      break;
    }
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      outcome = Outcome::Refused;
      break;
    }
    if (data.size() + static_cast<std::size_t>(n) > limit) {
      outcome = Outcome::TooLarge;
      break;
    }
    data.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (outcome != Outcome::Read) data.clear();
  return outcome;
}

}  // namespace

x11::Targets read() {
  Session* s = usable();
  if (!s) return {};
  turn(*s, 0);
  x11::Targets read;
  if (s->owner) {
    for (const auto& [type, data] : s->offered) read.emplace_back(type, *data);
    return read;
  }
  // Copied: the selection may change while it is read.
  const std::vector<std::string> types = s->ownerTypes;
  return readTypes(
      types, [s](const std::string& type, double deadline, std::size_t limit, std::string& data) {
        return receive(*s, type, deadline, limit, data);
      });
}

std::optional<std::string> readText() {
  Session* s = usable();
  if (!s) return std::nullopt;
  turn(*s, 0);
  const auto owned = [s](const std::string& type) {
    return std::find_if(s->offered.begin(), s->offered.end(),
                        [&type](const auto& o) { return o.first == type; });
  };
  return readTextType(
      [&](const std::string& type) {
        return s->owner ? owned(type) != s->offered.end()
                        : std::find(s->ownerTypes.begin(), s->ownerTypes.end(), type) !=
                              s->ownerTypes.end();
      },
      [&](const std::string& type, double deadline, std::size_t limit, std::string& data) {
        if (!s->owner) return receive(*s, type, deadline, limit, data);
        data = *owned(type)->second;
        return Outcome::Read;
      },
      std::numeric_limits<double>::infinity());
}

std::optional<std::int64_t> own(const x11::Targets& targets) {
  Session* s = usable();
  if (!s) return std::nullopt;
  s->offered.clear();
  GVariantBuilder types;
  g_variant_builder_init(&types, G_VARIANT_TYPE("as"));
  for (const auto& [type, data] : targets) {
    if (std::any_of(s->offered.begin(), s->offered.end(),
                    [&type](const auto& o) { return o.first == type; })) {
      continue;
    }
    s->offered.emplace_back(type, std::make_shared<const std::string>(data));
    g_variant_builder_add(&types, "s", type.c_str());
  }
  // The types go as a plain string array: mutter empties the clipboard for anything else.
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&options, "{sv}", "mime-types", g_variant_builder_end(&types));
  const std::int64_t before = s->changes;
  if (!call(*s, "SetSelection", g_variant_new("(a{sv})", &options))) return std::nullopt;
  // The owner change is counted before the count is answered.
  const double deadline = monotonicSeconds() + kRequestWait;
  while (s->changes == before && monotonicSeconds() < deadline && !s->closed) {
    turn(*s, std::min(deadline, monotonicSeconds() + 0.01));
  }
  if (s->closed) return std::nullopt;
  return s->changes;
}

bool serveUntil(double deadline) {
  Session* s = usable();
  if (!s) return false;
  turn(*s, deadline);
  return true;
}

bool typePasteChord() {
  Session* s = usable();
  if (!s) return false;
  // Keys sent before the session's keyboard exists are lost.
  if (monotonicSeconds() < s->startedAt + kKeyboardSettles)
    turn(*s, s->startedAt + kKeyboardSettles);
  bool sent = true;
  for (const auto& [keysym, pressed] : {std::pair{kControlL, true}, std::pair{kLetterV, true},
                                        std::pair{kLetterV, false}, std::pair{kControlL, false}}) {
    if (s->closed) return false;
    sent = static_cast<bool>(
               call(*s, "NotifyKeyboardKeysym", g_variant_new("(ub)", keysym, pressed))) &&
           sent;
  }
  return sent && !s->closed;
}

}  // namespace axb::platform::wayland::remote_desktop
