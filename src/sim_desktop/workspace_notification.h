// The simulated workspace's notification center speaks as macOS's does: notifications have a name
// and user information whose entries are running applications or other objects. Scenarios post
// malformed ones; the platform boundary turns them into workspace events.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <variant>

#include "platform/object.h"
#include "platform/workspace.h"

namespace axb::sim {

inline constexpr char kDidActivateApplicationNotification[] =
    "NSWorkspaceDidActivateApplicationNotification";
inline constexpr char kDidLaunchApplicationNotification[] =
    "NSWorkspaceDidLaunchApplicationNotification";
inline constexpr char kDidTerminateApplicationNotification[] =
    "NSWorkspaceDidTerminateApplicationNotification";
inline constexpr char kApplicationKey[] = "NSWorkspaceApplicationKey";

struct WorkspaceNotification {
  using UserInfoValue = std::variant<platform::RunningApplication, platform::Object>;
  std::string name;
  std::optional<std::map<std::string, UserInfoValue>> userInfo;
};

}  // namespace axb::sim
