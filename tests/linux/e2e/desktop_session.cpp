#include "e2e/desktop_session.h"

#include <fcntl.h>
#include <glib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::e2e {

double monotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void turnOnce() {
  bool woken = false;
  const guint wake = g_timeout_add(
      10,
      [](gpointer data) -> gboolean {
        *static_cast<bool*>(data) = true;
        return G_SOURCE_REMOVE;
      },
      &woken);
  g_main_context_iteration(nullptr, TRUE);
  if (!woken) g_source_remove(wake);
}

std::optional<std::string> run(const std::vector<std::string>& arguments) {
  std::vector<gchar*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<gchar*>(argument.c_str()));
  argv.push_back(nullptr);
  gchar* out = nullptr;
  gint status = 0;
  const gboolean ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                    nullptr, &out, nullptr, &status, nullptr);
  const platform::GText output(out);
  std::string text = output ? output.get() : "";
  if (!ran || !g_spawn_check_wait_status(status, nullptr)) return std::nullopt;
  return text;
}

namespace {

// The node of sway's tree (from "swaymsg -t get_tree") with a window that satisfies the check.
std::optional<Json> swayWindow(const std::function<bool(const Json&)>& check) {
  const auto text = run({"timeout", "5", "swaymsg", "-r", "-t", "get_tree"});
  if (!text) return std::nullopt;
  std::vector<Json> nodes{Json::parse(*text, nullptr, false)};
  while (!nodes.empty()) {
    Json node = std::move(nodes.back());
    nodes.pop_back();
    if (!node.is_object()) continue;
    if (node["pid"].is_number() && check(node)) return node;
    for (const char* key : {"nodes", "floating_nodes"}) {
      if (node[key].is_array()) nodes.insert(nodes.end(), node[key].begin(), node[key].end());
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<HostEvent>& receivedEvents() {
  static std::vector<HostEvent> events;
  return events;
}

void recordEvent(const char* name, const char* json) {
  receivedEvents().push_back({name ? name : "", Json::parse(json ? json : "null", nullptr, false)});
}

bool pumpUntil(const std::function<bool()>& condition, double seconds) {
  const double deadline = monotonicSeconds() + seconds;
  while (true) {
    if (condition()) return true;
    if (monotonicSeconds() >= deadline) return false;
    turnOnce();
  }
}

void pumpFor(double seconds) {
  const double deadline = monotonicSeconds() + seconds;
  while (monotonicSeconds() < deadline) turnOnce();
}

std::optional<HostEvent> waitForEvent(const std::string& name, std::size_t from,
                                      const std::function<bool(const Json&)>& check,
                                      double seconds) {
  std::optional<HostEvent> found;
  pumpUntil(
      [&] {
        const auto& events = receivedEvents();
        for (std::size_t i = from; i < events.size(); ++i) {
          if (events[i].name == name && (!check || check(events[i].payload))) {
            found = events[i];
            return true;
          }
        }
        return false;
      },
      seconds);
  return found;
}

bool xdotool(const std::vector<std::string>& arguments) {
  std::vector<std::string> command{"timeout", "5", "xdotool"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return run(command).has_value();
}

bool windowManagerRuns() {
  const auto text = run({"timeout", "5", "xprop", "-root", "_NET_SUPPORTING_WM_CHECK"});
  return text && text->find("window id") != std::string::npos;
}

std::optional<pid_t> frontPid() {
  if (swayRuns()) {
    const auto node = swayWindow([](const Json& node) { return node.value("focused", false); });
    if (!node) return std::nullopt;
    return (*node)["pid"].get<pid_t>();
  }
  const auto text =
      run({"timeout", "5", "xdotool", windowManagerRuns() ? "getactivewindow" : "getwindowfocus",
           "getwindowpid"});
  if (!text || text->empty()) return std::nullopt;
  return static_cast<pid_t>(std::atoi(text->c_str()));
}

bool swayRuns() {
  return std::getenv("SWAYSOCK") != nullptr;
}

std::optional<Json> swayWindowOf(pid_t pid) {
  return swayWindow([pid](const Json& node) { return node["pid"] == pid; });
}

std::optional<std::pair<double, double>> swaySurfaceOrigin(pid_t pid) {
  const auto node = swayWindowOf(pid);
  if (!node) return std::nullopt;
  // The container's place and the view's place in it (the test applications fill their tiles).
  const Json& rect = (*node)["rect"];
  const Json& view = (*node)["window_rect"];
  return std::pair<double, double>{rect["x"].get<double>() + view["x"].get<double>(),
                                   rect["y"].get<double>() + view["y"].get<double>()};
}

ChildApp::ChildApp(const std::vector<std::string>& argv) {
  std::vector<gchar*> raw;
  for (const auto& argument : argv) raw.push_back(const_cast<gchar*>(argument.c_str()));
  raw.push_back(nullptr);
  GPid pid = 0;
  gint in = -1;
  gint out = -1;
  if (!g_spawn_async_with_pipes(
          nullptr, raw.data(), nullptr,
          static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH), nullptr,
          nullptr, &pid, &in, &out, nullptr, nullptr)) {
    return;
  }
  pid_ = pid;
  input_ = in;
  output_ = out;
  fcntl(output_, F_SETFL, fcntl(output_, F_GETFL) | O_NONBLOCK);
}

ChildApp::~ChildApp() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGCONT);
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (input_ >= 0) ::close(input_);
  if (output_ >= 0) ::close(output_);
}

bool ChildApp::running() {
  if (pid_ <= 0 || exited_) return false;
  if (::waitpid(pid_, nullptr, WNOHANG) == pid_) exited_ = true;
  return !exited_;
}

bool ChildApp::readAvailable() {
  char chunk[4096];
  while (true) {
    const ssize_t got = ::read(output_, chunk, sizeof chunk);
    if (got > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(got));
      continue;
    }
    return got == 0 ? false : errno == EAGAIN;
  }
}

std::optional<Json> ChildApp::nextLine(double seconds) {
  std::optional<Json> line;
  pumpUntil(
      [&] {
        readAvailable();
        const std::size_t end = buffer_.find('\n');
        if (end == std::string::npos) return false;
        line = Json::parse(buffer_.substr(0, end), nullptr, false);
        buffer_.erase(0, end + 1);
        return true;
      },
      seconds);
  return line;
}

std::optional<Json> ChildApp::ask(const std::string& command, double seconds) {
  if (input_ < 0) return std::nullopt;
  const std::string line = command + "\n";
  if (::write(input_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
    return std::nullopt;
  }
  return nextLine(seconds);
}

bool ChildApp::waitForExit(double seconds) {
  return pumpUntil([&] { return !running(); }, seconds);
}

bool waitForAccessibilityTree(pid_t pid, double seconds) {
  return pumpUntil([pid] { return static_cast<bool>(platform::atspi::applicationOf(pid)); },
                   seconds);
}

std::unique_ptr<ChildApp> startTextApp(const TextAppOptions& options) {
  std::vector<std::string> argv{"env"};
  argv.insert(argv.end(), options.environment.begin(), options.environment.end());
  argv.insert(argv.end(), {"/usr/bin/python3", AXBRIDGE_SOURCE_DIR "/tests/linux/text_app.py",
                           "--title", options.title, "--prgname", options.prgname, "--app-id",
                           options.appId, "--entry-text", options.entryText, "--view-text",
                           options.viewText, "--label-text", options.labelText});
  argv.insert(argv.end(), options.extraArguments.begin(), options.extraArguments.end());
  auto app = std::make_unique<ChildApp>(argv);
  const auto ready = app->nextLine(20.0);
  if (!ready || !ready->is_object() || !ready->value("ready", false)) return nullptr;
  if (!waitForAccessibilityTree(app->pid())) return nullptr;
  return app;
}

bool switchTo(pid_t pid, const std::string& name, std::size_t since, double seconds) {
  if (!bringToFront(pid)) return false;
  const bool heard = pumpUntil(
      [&] {
        const auto& events = receivedEvents();
        for (std::size_t i = since; i < events.size(); ++i) {
          if (events[i].name == "caret") return true;
          if (events[i].payload.is_object() && events[i].payload.value("name", Json()) == name) {
            return true;
          }
        }
        return false;
      },
      seconds);
  if (heard) pumpFor(0.3);
  return heard;
}

bool bringToFront(pid_t pid) {
  if (swayRuns()) {
    return run({"timeout", "5", "swaymsg", "[pid=" + std::to_string(pid) + "]", "focus"}) &&
           pumpUntil([&] { return frontPid() == pid; }, 10.0);
  }
  const auto windows =
      run({"timeout", "5", "xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)});
  if (!windows || windows->empty()) return false;
  const std::string window = windows->substr(0, windows->find('\n'));
  // With a window manager as a user's click would; without one the input focus is all there is.
  if (!xdotool({windowManagerRuns() ? "windowactivate" : "windowfocus", window})) return false;
  return pumpUntil([&] { return frontPid() == pid; }, 10.0);
}

StandardOutputCapture::StandardOutputCapture() {
  int ends[2];
  if (::pipe(ends) != 0) return;
  std::fflush(stdout);
  saved_ = ::dup(STDOUT_FILENO);
  ::dup2(ends[1], STDOUT_FILENO);
  ::close(ends[1]);
  read_ = ends[0];
  fcntl(read_, F_SETFL, fcntl(read_, F_GETFL) | O_NONBLOCK);
}

StandardOutputCapture::~StandardOutputCapture() {
  std::fflush(stdout);
  if (saved_ >= 0) {
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
  }
  if (read_ >= 0) ::close(read_);
}

const std::string& StandardOutputCapture::text() {
  std::fflush(stdout);
  char chunk[4096];
  ssize_t got = 0;
  while (read_ >= 0 && (got = ::read(read_, chunk, sizeof chunk)) > 0) {
    text_.append(chunk, static_cast<std::size_t>(got));
  }
  return text_;
}

std::optional<bool> accessibilityBusEnabled() {
  const auto text = run({"timeout", "5", "gdbus", "call", "--session", "--dest", "org.a11y.Bus",
                         "--object-path", "/org/a11y/bus", "--method",
                         "org.freedesktop.DBus.Properties.Get", "org.a11y.Status", "IsEnabled"});
  if (!text) return std::nullopt;
  return text->find("true") != std::string::npos;
}

}  // namespace axb::e2e
