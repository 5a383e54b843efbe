#include "live_linux.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <glib-unix.h>
#include <glib.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "command_lines.h"

namespace {

// A replacement text may be long; a line longer than this is dropped.
constexpr std::size_t kLongestCommandLine = 8 * 1024 * 1024;
// How long the accessibility bus may take to be started on demand.
constexpr int kBusLookupMilliseconds = 5000;

std::string nonEmpty(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}

std::optional<std::string> displayProblem() {
  const std::string display = nonEmpty(std::getenv("DISPLAY"));
  // A Wayland session is followed through its compositor; its X11 display (XWayland) is optional.
  if (!nonEmpty(std::getenv("WAYLAND_DISPLAY")).empty()) return std::nullopt;
  if (display.empty()) {
    return "there is no X11 display (DISPLAY is not set); run it inside an X11 desktop session, "
           "or on a headless one as scripts/live-demo.sh does";
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const int error = xcb_connection_has_error(connection);
  xcb_disconnect(connection);
  if (error != 0) {
    return "the X11 display " + display +
           " cannot be opened (is the X server running, and may this user connect to it?)";
  }
  return std::nullopt;
}

struct UnrefObject {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct FreeError {
  void operator()(GError* error) const { g_error_free(error); }
};
struct UnrefVariant {
  void operator()(GVariant* value) const { g_variant_unref(value); }
};

std::optional<std::string> busProblem() {
  GError* rawError = nullptr;
  std::unique_ptr<GDBusConnection, UnrefObject> bus(
      g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &rawError));
  std::unique_ptr<GError, FreeError> error(rawError);
  if (!bus) {
    return "there is no D-Bus session bus (" +
           std::string(error ? error->message : "DBUS_SESSION_BUS_ADDRESS is not set") +
           "); run it inside the desktop session, or under dbus-run-session";
  }
  // Asking for the address starts the accessibility bus when the session has not yet.
  rawError = nullptr;
  const std::unique_ptr<GVariant, UnrefVariant> reply(g_dbus_connection_call_sync(
      bus.get(), "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", nullptr,
      G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, kBusLookupMilliseconds, nullptr, &rawError));
  error.reset(rawError);
  if (reply == nullptr) {
    return "the session has no accessibility bus (org.a11y.Bus: " +
           std::string(error ? error->message : "no answer") +
           "); at-spi2-core's at-spi-bus-launcher provides it";
  }
  return std::nullopt;
}

gboolean quitLoop(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_CONTINUE;
}

struct StandardInput {
  CommandLines lines;
  guint source = 0;
};

gboolean readStandardInput(gint fd, GIOCondition, gpointer data) {
  auto* input = static_cast<StandardInput*>(data);
  char chunk[65536];
  const ssize_t got = ::read(fd, chunk, sizeof chunk);
  if (got > 0) {
    input->lines.append(std::string_view(chunk, static_cast<std::size_t>(got)));
    return G_SOURCE_CONTINUE;
  }
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return G_SOURCE_CONTINUE;
  // The end of the input (or an error reading it): commands end, watching goes on.
  input->lines.finish();
  input->source = 0;
  return G_SOURCE_REMOVE;
}

}  // namespace

std::optional<std::string> desktopProblem() {
  if (auto problem = displayProblem()) return problem;
  return busProblem();
}

struct MainLoop::Impl {
  Impl()
      : loop(g_main_loop_new(nullptr, FALSE)),
        interrupt(g_unix_signal_add(SIGINT, quitLoop, loop)),
        terminate(g_unix_signal_add(SIGTERM, quitLoop, loop)) {}
  ~Impl() {
    g_source_remove(interrupt);
    g_source_remove(terminate);
    g_main_loop_unref(loop);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  GMainLoop* const loop;
  const guint interrupt;
  const guint terminate;
};

MainLoop::MainLoop() : impl_(std::make_unique<Impl>()) {}

MainLoop::~MainLoop() = default;

void MainLoop::run(const std::function<void(std::string_view line)>& onLine) {
  StandardInput input{CommandLines(kLongestCommandLine, onLine,
                                   [] {
                                     std::fputs(
                                         "axbridge-watch: a command line was too long and "
                                         "is ignored\n",
                                         stderr);
                                   }),
                      0};
  // No standard input at all (closed by the caller): no commands.
  if (::fcntl(STDIN_FILENO, F_GETFD) != -1) {
    input.source =
        g_unix_fd_add(STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                      readStandardInput, &input);
  }
  g_main_loop_run(impl_->loop);
  if (input.source != 0) g_source_remove(input.source);
}
