// Running applications and the workspace's notifications about them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "platform/geometry.h"
#include "platform/object.h"

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

inline constexpr char kDidActivateApplicationNotification[] =
    "NSWorkspaceDidActivateApplicationNotification";
inline constexpr char kDidLaunchApplicationNotification[] =
    "NSWorkspaceDidLaunchApplicationNotification";
inline constexpr char kDidTerminateApplicationNotification[] =
    "NSWorkspaceDidTerminateApplicationNotification";
inline constexpr char kApplicationKey[] = "NSWorkspaceApplicationKey";

// A workspace notification: its name and its user information, whose entries are running
// applications or other platform objects.
struct WorkspaceNotification {
  using UserInfoValue = std::variant<RunningApplication, Object>;
  std::string name;
  std::optional<std::map<std::string, UserInfoValue>> userInfo;
};

enum class WorkspaceEvent { DidActivateApplication, DidLaunchApplication, DidTerminateApplication };

// A subscription to one workspace notification; the handler runs on the main thread. Destroying
// the subscription withdraws it.
class WorkspaceSubscription {
 public:
  struct Impl;
  using Handler = std::function<void(const WorkspaceNotification&)>;

  WorkspaceSubscription(WorkspaceEvent event, Handler handler);
  ~WorkspaceSubscription();
  WorkspaceSubscription(const WorkspaceSubscription&) = delete;
  WorkspaceSubscription& operator=(const WorkspaceSubscription&) = delete;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace axb::platform
