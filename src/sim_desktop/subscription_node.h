// The simulated side of a workspace subscription; the platform subscription owns it.
#pragma once

#include <functional>
#include <string>

#include "sim_desktop/workspace_notification.h"

namespace axb::sim {

struct SubscriptionNode {
  std::string name;  // of the notifications it receives
  std::function<void(const WorkspaceNotification&)> handler;
  bool alive = true;
};

}  // namespace axb::sim
