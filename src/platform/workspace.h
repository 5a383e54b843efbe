// Running applications and the workspace's events about them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/geometry.h"

namespace axb::platform {

class RunningApplication {
 public:
  struct Impl;
  explicit RunningApplication(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}

  ProcessId processIdentifier() const;
  std::optional<std::string> bundleIdentifier() const;
  std::optional<std::string> localizedName() const;
  bool isFinishedLaunching() const;
  // Asks the application to come to the front; true when the request was accepted.
  bool activate() const;

  const std::shared_ptr<const Impl>& impl() const { return impl_; }

 private:
  std::shared_ptr<const Impl> impl_;
};

std::optional<RunningApplication> frontmostApplication();

// The running application with that process identifier, if there is one.
std::optional<RunningApplication> runningApplicationWithProcessIdentifier(ProcessId pid);

// The process the library runs in (the host's).
ProcessId currentProcessId();

enum class WorkspaceEventKind {
  ApplicationActivated,  // came to the front
  ApplicationLaunched,   // finished launching
  ApplicationTerminated,
};

// One workspace event and the application it concerns. The application may be missing: an event
// can arrive without one, or with something that is not a running application (any process may
// post to the workspace's notification center).
struct WorkspaceEvent {
  WorkspaceEventKind kind = WorkspaceEventKind::ApplicationActivated;
  std::optional<RunningApplication> application;
};

// A subscription to one kind of workspace event; the handler runs on the main thread. Destroying
// the subscription withdraws it.
class WorkspaceSubscription {
 public:
  struct Impl;
  using Handler = std::function<void(const WorkspaceEvent&)>;

  WorkspaceSubscription(WorkspaceEventKind kind, Handler handler);
  ~WorkspaceSubscription();
  WorkspaceSubscription(const WorkspaceSubscription&) = delete;
  WorkspaceSubscription& operator=(const WorkspaceSubscription&) = delete;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace axb::platform
