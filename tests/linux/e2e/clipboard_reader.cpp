#include "e2e/clipboard_reader.h"

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "e2e/desktop_session.h"

namespace axb::e2e {

namespace {

// What the command prints, while the main context turns; nothing when it failed.
std::optional<std::string> outputOf(const std::vector<std::string>& arguments, double seconds) {
  std::vector<gchar*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<gchar*>(argument.c_str()));
  argv.push_back(nullptr);
  GPid pid = 0;
  gint out = -1;
  if (!g_spawn_async_with_pipes(
          nullptr, argv.data(), nullptr,
          static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH |
                                   G_SPAWN_STDERR_TO_DEV_NULL),
          nullptr, nullptr, &pid, nullptr, &out, nullptr, nullptr)) {
    return std::nullopt;
  }
  fcntl(out, F_SETFL, fcntl(out, F_GETFL) | O_NONBLOCK);
  std::string data;
  bool ended = false;
  int status = 0;
  const auto drain = [&] {
    char chunk[65536];
    for (ssize_t got; (got = ::read(out, chunk, sizeof chunk)) > 0;) {
      data.append(chunk, static_cast<std::size_t>(got));
    }
  };
  pumpUntil(
      [&] {
        drain();
        if (!ended && ::waitpid(pid, &status, WNOHANG) == pid) ended = true;
        return ended;
      },
      seconds + 2);
  drain();
  ::close(out);
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return std::nullopt;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return data;
}

// GNOME's compositor lets no client read the clipboard without the focus: a new window takes it
// and reads every type.
std::optional<Json> readWaylandClipboardInAWindow(double seconds) {
  const auto text =
      outputOf({"timeout", std::to_string(static_cast<int>(seconds)), "/usr/bin/python3",
                AXBRIDGE_SOURCE_DIR "/tests/linux/wayland_clipboard.py", "read"},
               seconds);
  if (!text) return std::nullopt;
  return Json::parse(*text, nullptr, false);
}

}  // namespace

std::optional<std::string> readClipboard(const std::string& target, double seconds) {
  const std::string bound = std::to_string(static_cast<int>(seconds));
  // wl-paste reads through data-control, which every compositor but GNOME's offers.
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  const bool gnome = desktop && std::string(desktop) == "GNOME";
  if (std::getenv("WAYLAND_DISPLAY") && !gnome) {
    return outputOf({"timeout", bound, "wl-paste", "-n", "-t", target}, seconds);
  }
  if (std::getenv("WAYLAND_DISPLAY")) {
    const auto read = readWaylandClipboardInAWindow(seconds);
    if (!read || !read->is_object() || !(*read)["data"].contains(target)) return std::nullopt;
    const std::string encoded = (*read)["data"][target].get<std::string>();
    gsize size = 0;
    guchar* decoded = g_base64_decode(encoded.c_str(), &size);
    std::string data(reinterpret_cast<const char*>(decoded), size);
    g_free(decoded);
    return data;
  }
  return outputOf({"timeout", bound, "xclip", "-o", "-selection", "clipboard", "-t", target},
                  seconds);
}

std::vector<std::string> clipboardTargets() {
  std::vector<std::string> targets;
  std::istringstream lines(
      (swayRuns() ? outputOf({"timeout", "10", "wl-paste", "-l"}, 10.0) : readClipboard("TARGETS"))
          .value_or(""));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) targets.push_back(line);
  }
  return targets;
}

}  // namespace axb::e2e
