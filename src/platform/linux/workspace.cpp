// Running applications and the workspace's notifications, from the accessibility tree, the
// display and the processes themselves: an application is activated when its window comes to
// the front, launched when it first shows a window, terminated when its process ends.
#include "platform/workspace.h"

#include <glib-unix.h>
#include <glib.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/atspi/accessible_reads.h"
#include "platform/linux/atspi/application_identity.h"
#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/atspi/event_hub.h"
#include "platform/linux/atspi/state_memo.h"
#include "platform/linux/wayland/session.h"

namespace axb::platform {

struct RunningApplication::Impl {
  ProcessId pid = 0;
};

namespace {

using atspi::DesktopEvent;
using atspi::DesktopEventKind;

bool processExists(ProcessId pid) {
  return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

RunningApplication applicationFor(ProcessId pid) {
  return RunningApplication(
      std::make_shared<const RunningApplication::Impl>(RunningApplication::Impl{pid}));
}

// A process's end, seen through a pidfd on the main context. Owns the descriptor and the source.
class ExitWatch {
 public:
  ExitWatch(int fd, guint source) : fd_(fd), source_(source) {}
  ExitWatch(const ExitWatch&) = delete;
  ExitWatch& operator=(const ExitWatch&) = delete;
  ~ExitWatch() {
    if (source_) g_source_remove(source_);
    if (fd_ >= 0) ::close(fd_);
  }
  // Called from the source's own callback, which then ends the source itself.
  void sourceEnded() { source_ = 0; }

 private:
  int fd_;
  guint source_;
};

struct WorkspaceState {
  struct Subscriber {
    int id;
    WorkspaceEventKind kind;
    std::shared_ptr<WorkspaceSubscription::Handler> handler;
  };
  std::vector<Subscriber> subscribers;
  int nextId = 1;
  int sink = 0;
  std::optional<ProcessId> front;
  std::set<ProcessId> announced;  // launched or activated: their ends are watched
  std::set<ProcessId> launched;   // seen in the accessibility tree
  std::set<ProcessId> reported;   // its activation was reported once: it has finished starting
  std::set<ProcessId> settling;   // its activation waits for its name and focus
  std::map<ProcessId, std::unique_ptr<ExitWatch>> exits;
};

WorkspaceState& workspace() {
  static auto* const state = new WorkspaceState();
  return *state;
}

void post(WorkspaceEventKind kind, ProcessId pid) {
  const WorkspaceEvent event{kind, applicationFor(pid)};
  // Snapshot: a handler may end subscriptions, its own among them.
  std::vector<std::shared_ptr<WorkspaceSubscription::Handler>> handlers;
  for (const auto& subscriber : workspace().subscribers) {
    if (subscriber.kind == kind) handlers.push_back(subscriber.handler);
  }
  for (const auto& handler : handlers) {
    if (*handler) (*handler)(event);
  }
}

void ended(ProcessId pid) {
  WorkspaceState& state = workspace();
  state.announced.erase(pid);
  state.launched.erase(pid);
  state.reported.erase(pid);
  state.settling.erase(pid);
  if (state.front == pid) state.front.reset();
  post(WorkspaceEventKind::ApplicationTerminated, pid);
  atspi::forgetFocus(pid);
  // Its accessibles are gone with it.
  atspi::forgetStates();
  atspi::forgetIdentity(pid);
  atspi::forgetProcess(pid);
  wayland::forgetProcess(pid);
}

gboolean onExit(gint, GIOCondition, gpointer data) {
  const auto pid = static_cast<ProcessId>(GPOINTER_TO_INT(data));
  WorkspaceState& state = workspace();
  if (auto watch = state.exits.find(pid); watch != state.exits.end()) {
    watch->second->sourceEnded();
    state.exits.erase(watch);
  }
  ended(pid);
  return G_SOURCE_REMOVE;
}

void watchExit(ProcessId pid) {
  WorkspaceState& state = workspace();
  if (state.exits.contains(pid)) return;
  const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return;
  const guint source = g_unix_fd_add(fd, G_IO_IN, onExit, GINT_TO_POINTER(pid));
  state.exits.emplace(pid, std::make_unique<ExitWatch>(fd, source));
}

// Calls attempt on the main context every intervalMs, at most tries times, until it returns
// true (done); it is told which call is the last.
void retryEvery(guint intervalMs, int tries, std::function<bool(bool last)> attempt) {
  struct Retry {
    std::function<bool(bool)> attempt;
    int triesLeft;
  };
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, intervalMs,
      [](gpointer data) -> gboolean {
        auto* retry = static_cast<Retry*>(data);
        const bool last = --retry->triesLeft <= 0;
        return retry->attempt(last) || last ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
      },
      new Retry{std::move(attempt), tries},
      [](gpointer data) { delete static_cast<Retry*>(data); });
}

// How long ago the process started, from the kernel's process table.
std::optional<double> secondsSinceStart(ProcessId pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return std::nullopt;
  // The command name may hold spaces and parentheses; the fields after it are plain.
  const std::size_t nameEnd = line.rfind(')');
  if (nameEnd == std::string::npos || nameEnd + 2 > line.size()) return std::nullopt;
  std::istringstream fields(line.substr(nameEnd + 2));
  std::string field;
  // Field 22, the start time in clock ticks after boot, is the 20th after the name.
  for (int i = 0; i < 20; ++i) fields >> field;
  std::ifstream uptimeFile("/proc/uptime");
  double uptime = 0;
  const long ticks = ::sysconf(_SC_CLK_TCK);
  if (!fields || !(uptimeFile >> uptime) || ticks <= 0) return std::nullopt;
  return uptime - std::strtod(field.c_str(), nullptr) / static_cast<double>(ticks);
}

// A starting application is in the accessibility tree a moment before it has a name there and a
// focused element: a switch to it is reported once it has both, or after a short wait.
constexpr double kStartingSeconds = 10.0;
constexpr int kSettleChecks = 10;
constexpr guint kSettleCheckMilliseconds = 100;

bool starting(ProcessId pid) {
  const std::optional<double> age = secondsSinceStart(pid);
  return age && *age <= kStartingSeconds;
}

bool settled(ProcessId pid) {
  const auto application = atspi::applicationOf(pid);
  if (!application || !atspi::applicationNameOf(pid)) return false;
  const auto focused = atspi::findFocusedDescendant(application.get());
  return !focused.ok() || focused.value;
}

void reportActivated(ProcessId pid) {
  workspace().reported.insert(pid);
  post(WorkspaceEventKind::ApplicationActivated, pid);
  atspi::noteActivated(pid);
}

// The switch is reported if it still holds. From when it has been handled, which on a busy
// desktop takes a while, and while it waits, the application's focus and selection events are
// taken for the ones the switch brings: they would otherwise replace the switch in the host's
// latest event. Only the first activation waits: coming back to an application whose switch was
// reported already is reported at once, although its focus is set again only once its window
// has noticed (a wait dropped when the user moves on would hide the switch from the host).
void activateOnceSettled(ProcessId pid) {
  WorkspaceState& state = workspace();
  atspi::noteActivated(pid);
  if (!starting(pid) || state.reported.contains(pid) || settled(pid)) {
    reportActivated(pid);
    return;
  }
  // One wait per application: it reports the switch once.
  if (!state.settling.insert(pid).second) return;
  retryEvery(kSettleCheckMilliseconds, kSettleChecks, [pid](bool last) {
    WorkspaceState& state = workspace();
    if (state.front != pid) {
      state.settling.erase(pid);
      return true;
    }
    atspi::noteActivated(pid);
    if (!last && !settled(pid)) return false;
    state.settling.erase(pid);
    reportActivated(pid);
    return true;
  });
}

void announce(ProcessId pid) {
  workspace().announced.insert(pid);
  watchExit(pid);
}

// An application's first window in the accessibility tree: it has finished launching. Its
// activation may have come first, from the display, while it was not in the tree yet.
void launched(ProcessId pid) {
  WorkspaceState& state = workspace();
  announce(pid);
  if (!state.launched.insert(pid).second) return;
  // Launched in front, it is followed from now on: coming back to it later is a switch. Asked
  // before the launch is handled: should it come to the front only after this, its activation
  // is still reported, and is taken for a repeat by whoever followed it already.
  const bool inFront = wayland::frontmostProcess() == pid;
  if (inFront && starting(pid) && !settled(pid)) {
    // Starting in front: the switch it is, reported once it has its name and focus.
    state.front = pid;
    activateOnceSettled(pid);
    return;
  }
  post(WorkspaceEventKind::ApplicationLaunched, pid);
  // Already known in front, its activation was noted when it happened. The launch is often
  // learnt only from the user's first focus or caret change in there, and noting it again then
  // would swallow what the user does next as echoes of an activation.
  if (inFront && state.front != pid) {
    state.front = pid;
    atspi::noteActivated(pid);
  }
  // Launched in front with its name and focus, it is followed as if its switch was reported.
  if (inFront) state.reported.insert(pid);
}

// An application that came to the front before it was in the accessibility tree is looked for
// there a few times; it is launched once found.
constexpr int kTreeLooks = 30;
constexpr guint kTreeLookMilliseconds = 100;

void awaitTree(ProcessId pid) {
  retryEvery(kTreeLookMilliseconds, kTreeLooks, [pid](bool) {
    if (workspace().launched.contains(pid)) return true;
    if (!atspi::applicationOf(pid)) return false;
    launched(pid);
    return true;
  });
}

void checkFront(const DesktopEvent& event) {
  WorkspaceState& state = workspace();
  std::optional<ProcessId> front = wayland::frontmostProcess();
  // Events can be stale: the display says who is in front now. Only without an answer from it
  // does the event's own application count.
  if (!front && event.pid > 0 && event.source) front = event.pid;
  if (!front || front == state.front) return;
  state.front = front;
  if (*front == ::getpid()) return;
  announce(*front);
  activateOnceSettled(*front);
  if (!state.launched.contains(*front) && !atspi::applicationOf(*front)) {
    awaitTree(*front);
  }
}

void hear(const DesktopEvent& event) {
  // Whatever an application says through AT-SPI, it says from the accessibility tree: it has
  // finished launching (applications send only the events someone listens for, and may miss
  // the first ones).
  if (event.source && event.pid > 0 && event.pid != ::getpid() &&
      !workspace().launched.contains(event.pid)) {
    launched(event.pid);
  }
  switch (event.kind) {
    case DesktopEventKind::WindowActivated:
      checkFront(event);
      break;
    case DesktopEventKind::FocusGained:
      // An application may not say that its window became active (a freshly started one does
      // not know yet that anyone listens), but the focus it takes in there says so too.
      if (event.pid != workspace().front) checkFront(event);
      break;
    case DesktopEventKind::ApplicationAppeared:
      if (event.pid != ::getpid()) launched(event.pid);
      break;
    default:
      break;
  }
}

}  // namespace

ProcessId RunningApplication::processIdentifier() const {
  return impl_->pid;
}

std::optional<std::string> RunningApplication::bundleIdentifier() const {
  return atspi::bundleIdentifierOf(impl_->pid);
}

std::optional<std::string> RunningApplication::localizedName() const {
  return atspi::applicationNameOf(impl_->pid);
}

bool RunningApplication::isFinishedLaunching() const {
  // Finished once it is in the accessibility tree: before that nothing in it can be asked. Once
  // seen there it stays finished, also when a busy desktop does not answer the lookup in time.
  return workspace().launched.contains(impl_->pid) ||
         static_cast<bool>(atspi::applicationOf(impl_->pid));
}

bool RunningApplication::activate() const {
  return wayland::activateProcess(impl_->pid);
}

std::optional<RunningApplication> frontmostApplication() {
  const std::optional<ProcessId> pid = wayland::frontmostProcess();
  if (!pid) return std::nullopt;
  return runningApplicationWithProcessIdentifier(*pid);
}

std::optional<RunningApplication> runningApplicationWithProcessIdentifier(ProcessId pid) {
  if (!processExists(pid)) return std::nullopt;
  return applicationFor(pid);
}

ProcessId currentProcessId() {
  return ::getpid();
}

struct WorkspaceSubscription::Impl {
  int id = 0;
  ~Impl() {
    std::erase_if(workspace().subscribers,
                  [this](const WorkspaceState::Subscriber& s) { return s.id == id; });
  }
};

WorkspaceSubscription::WorkspaceSubscription(WorkspaceEventKind kind, Handler handler)
    : impl_(std::make_unique<Impl>()) {
  WorkspaceState& state = workspace();
  atspi::ensureListening();
  if (!state.sink) state.sink = atspi::addSink(hear);
  impl_->id = state.nextId++;
  state.subscribers.push_back({impl_->id, kind, std::make_shared<Handler>(std::move(handler))});
}

WorkspaceSubscription::~WorkspaceSubscription() = default;

}  // namespace axb::platform
