#include "platform/linux/wayland/sway_ipc.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/wayland/sway_tree.h"
#include "platform/run_loop.h"

namespace axb::platform::wayland::sway {
namespace {

using nlohmann::json;

constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicSize = 6;
constexpr std::size_t kHeaderSize = kMagicSize + 8;
constexpr std::uint32_t kRunCommand = 0;
constexpr std::uint32_t kSubscribe = 2;
constexpr std::uint32_t kGetTree = 4;
constexpr std::uint32_t kEventBit = 0x80000000u;
// Each answer is waited for this long at most: a compositor that hangs must not hold the host.
constexpr double kAnswerWait = 1.0;
// A tree larger than this is not read (thousands of windows take a few hundred kilobytes).
constexpr std::uint32_t kLargestMessage = 64u << 20;
// Bytes of events waiting at once; a flood beyond is dropped, and the tree read afresh.
constexpr std::size_t kMostBufferedEvents = 4u << 20;
// A window's own answer to a change (a floating window drawing its frame itself, and sway taking
// its title bar away) follows the change's event without an event of its own: a tree read this
// soon after an event is read again the next time it is asked for.
constexpr double kSettling = 1.0;

// An owned socket descriptor.
class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  Socket(Socket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~Socket() { reset(); }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

struct State {
  Socket commands;
  Socket events;
  guint eventSource = 0;
  std::string eventBuffer;
  bool treeStale = true;
  double lastPlacing = 0;
  double treeReadAt = 0;
  std::vector<View> views;
  std::function<void(ProcessId)> changed;
};

State& state() {
  static auto* const instance = new State();
  return *instance;
}

std::optional<std::string> socketPath() {
  const char* path = std::getenv("SWAYSOCK");
  if (!path || !*path || std::strlen(path) >= sizeof(sockaddr_un{}.sun_path)) return std::nullopt;
  return std::string(path);
}

Socket connectSocket() {
  const auto path = socketPath();
  if (!path) return {};
  Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!socket) return {};
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path->data(), path->size());
  if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    return {};
  }
  return socket;
}

// Waits until the descriptor is ready for `events` or the deadline passes.
bool waitReady(int fd, short events, double deadline) {
  for (;;) {
    const double left = deadline - monotonicSeconds();
    if (left <= 0) return false;
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(left * 1000) + 1);
    if (ready > 0) return (entry.revents & (events | POLLHUP | POLLERR)) != 0;
    if (ready < 0 && errno != EINTR) return false;
  }
}

bool writeAll(int fd, const std::string& bytes, double deadline) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n =
        ::send(fd, bytes.data() + written, bytes.size() - written, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!waitReady(fd, POLLOUT, deadline)) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool readAll(int fd, char* into, std::size_t size, double deadline) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::recv(fd, into + got, size - got, MSG_DONTWAIT);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!waitReady(fd, POLLIN, deadline)) return false;
    } else {
      return false;
    }
  }
  return true;
}

std::string message(std::uint32_t type, const std::string& payload) {
  std::string bytes(kMagic, kMagicSize);
  const auto length = static_cast<std::uint32_t>(payload.size());
  bytes.append(reinterpret_cast<const char*>(&length), 4);
  bytes.append(reinterpret_cast<const char*>(&type), 4);
  return bytes + payload;
}

// The header's payload length and type, when the bytes start with one.
std::optional<std::pair<std::uint32_t, std::uint32_t>> header(const char* bytes) {
  if (std::memcmp(bytes, kMagic, kMagicSize) != 0) return std::nullopt;
  std::uint32_t length = 0;
  std::uint32_t type = 0;
  std::memcpy(&length, bytes + kMagicSize, 4);
  std::memcpy(&type, bytes + kMagicSize + 4, 4);
  return std::make_pair(length, type);
}

// One request and its answer on the command socket, connected (again) as needed.
std::optional<json> ask(std::uint32_t type, const std::string& payload) {
  State& s = state();
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!s.commands) s.commands = connectSocket();
    if (!s.commands) return std::nullopt;
    const double deadline = monotonicSeconds() + kAnswerWait;
    char head[kHeaderSize];
    if (writeAll(s.commands.get(), message(type, payload), deadline) &&
        readAll(s.commands.get(), head, kHeaderSize, deadline)) {
      const auto parsed = header(head);
      if (parsed && parsed->first <= kLargestMessage && parsed->second == type) {
        std::string body(parsed->first, '\0');
        if (readAll(s.commands.get(), body.data(), body.size(), deadline)) {
          json answer = json::parse(body, nullptr, false);
          if (!answer.is_discarded()) return answer;
        }
      }
    }
    // A late or broken answer would be taken for the next one: the connection starts afresh.
    s.commands.reset();
  }
  return std::nullopt;
}

// What the event socket holds: each complete window event marks the tree stale and is reported.
void drainEvents() {
  State& s = state();
  if (!s.events) return;
  char chunk[16384];
  for (;;) {
    const ssize_t n = ::recv(s.events.get(), chunk, sizeof(chunk), MSG_DONTWAIT);
    if (n > 0) {
      if (s.eventBuffer.size() + static_cast<std::size_t>(n) > kMostBufferedEvents) {
        s.eventBuffer.clear();
        s.treeStale = true;
      }
      s.eventBuffer.append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
      // sway went away: the tree is asked for every time from now on.
      if (s.eventSource) g_source_remove(s.eventSource);
      s.eventSource = 0;
      s.events.reset();
      s.treeStale = true;
    }
    break;
  }
  std::vector<ProcessId> named;
  std::size_t used = 0;
  while (s.eventBuffer.size() - used >= kHeaderSize) {
    const auto parsed = header(s.eventBuffer.data() + used);
    if (!parsed || parsed->first > kLargestMessage) {
      s.eventBuffer.clear();
      used = 0;
      s.treeStale = true;
      break;
    }
    if (s.eventBuffer.size() - used - kHeaderSize < parsed->first) break;
    if ((parsed->second & kEventBit) != 0) {
      const json event = json::parse(
          s.eventBuffer.begin() + static_cast<std::ptrdiff_t>(used + kHeaderSize),
          s.eventBuffer.begin() + static_cast<std::ptrdiff_t>(used + kHeaderSize + parsed->first),
          nullptr, false);
      // A new title or mark moves nothing and changes no focus: some applications retitle their
      // windows all the time.
      const bool placing = !(event.is_object() && event.contains("change") &&
                             (event["change"] == "title" || event["change"] == "mark"));
      if (placing) {
        s.treeStale = true;
        s.lastPlacing = monotonicSeconds();
        std::int64_t pid = 0;
        if (event.is_object() && event.contains("container") && event["container"].is_object() &&
            event["container"].contains("pid") && event["container"]["pid"].is_number_integer()) {
          pid = event["container"]["pid"].get<std::int64_t>();
        }
        // A focus change moves no window: it names no process, or every switch would be
        // taken for a move of the window brought forward.
        const bool focus =
            event.is_object() && event.contains("change") && event["change"] == "focus";
        named.push_back(!focus && pid > 0 && pid <= 0x7fffffff ? static_cast<ProcessId>(pid) : 0);
      }
    }
    used += kHeaderSize + parsed->first;
  }
  s.eventBuffer.erase(0, used);
  if (named.empty() || !s.changed) return;
  // Reported from the main context's next turn: a query inside a blocking wait only reads.
  auto* pending = new std::vector<ProcessId>(std::move(named));
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        const auto* pids = static_cast<std::vector<ProcessId>*>(data);
        for (const ProcessId pid : *pids) {
          if (state().changed) state().changed(pid);
        }
        return G_SOURCE_REMOVE;
      },
      pending, [](gpointer data) { delete static_cast<std::vector<ProcessId>*>(data); });
}

const std::vector<View>& views() {
  State& s = state();
  drainEvents();
  if (!s.treeStale && s.treeReadAt - s.lastPlacing >= kSettling) return s.views;
  s.treeReadAt = monotonicSeconds();
  const std::optional<json> tree = ask(kGetTree, "");
  s.views.clear();
  if (tree) s.views = viewsOf(*tree);
  // Without the event socket nothing would say when the tree changes: it is asked every time.
  s.treeStale = !tree || !s.events;
  return s.views;
}

const View* viewOf(ProcessId pid) {
  const View* first = nullptr;
  for (const View& view : views()) {
    if (view.pid != pid) continue;
    if (view.focused) return &view;
    if (!first || (view.visible && !first->visible)) first = &view;
  }
  return first;
}

}  // namespace

bool available() {
  State& s = state();
  if (!s.commands) s.commands = connectSocket();
  return static_cast<bool>(s.commands);
}

std::optional<ProcessId> focusedProcess() {
  for (const View& view : views()) {
    if (view.focused) return view.pid;
  }
  return std::nullopt;
}

std::optional<Point> contentOriginOf(ProcessId pid) {
  const View* view = viewOf(pid);
  if (!view) return std::nullopt;
  return view->contentOrigin;
}

std::optional<Size> floatingContentSizeOf(ProcessId pid) {
  const View* view = viewOf(pid);
  if (!view || !view->floating) return std::nullopt;
  return view->contentSize;
}

std::optional<std::string> applicationIdOf(ProcessId pid) {
  const View* view = viewOf(pid);
  return view ? view->applicationId : std::nullopt;
}

bool isX11Window(ProcessId pid) {
  const View* view = viewOf(pid);
  return view && view->x11;
}

bool focusProcess(ProcessId pid) {
  if (pid <= 0) return false;
  const std::optional<json> answer = ask(kRunCommand, "[pid=" + std::to_string(pid) + "] focus");
  // One result per command: success when the criteria matched a window.
  const bool focused = answer && answer->is_array() && !answer->empty() &&
                       (*answer)[0].is_object() && (*answer)[0].contains("success") &&
                       (*answer)[0]["success"] == true;
  if (focused) state().treeStale = true;
  return focused;
}

bool watchWindows(std::function<void(ProcessId)> changed) {
  State& s = state();
  s.changed = std::move(changed);
  if (s.events) return true;
  Socket socket = connectSocket();
  if (!socket) return false;
  const double deadline = monotonicSeconds() + kAnswerWait;
  char head[kHeaderSize];
  if (!writeAll(socket.get(), message(kSubscribe, R"(["window"])"), deadline) ||
      !readAll(socket.get(), head, kHeaderSize, deadline)) {
    return false;
  }
  const auto parsed = header(head);
  if (!parsed || parsed->second != kSubscribe || parsed->first > 4096) return false;
  std::string body(parsed->first, '\0');
  if (!readAll(socket.get(), body.data(), body.size(), deadline)) return false;
  s.events = std::move(socket);
  s.treeStale = true;
  s.eventSource = g_unix_fd_add(
      s.events.get(), G_IO_IN,
      [](gint, GIOCondition, gpointer) -> gboolean {
        drainEvents();
        return state().events ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
      },
      nullptr);
  return true;
}

}  // namespace axb::platform::wayland::sway
