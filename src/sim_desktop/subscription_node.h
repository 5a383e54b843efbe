// The simulated side of a workspace subscription; the platform subscription owns it.
#pragma once

#include "platform/workspace.h"

namespace axb::sim {

struct SubscriptionNode {
  platform::WorkspaceEvent event;
  platform::WorkspaceSubscription::Handler handler;
  bool alive = true;
};

const char* workspaceEventName(platform::WorkspaceEvent event);

}  // namespace axb::sim
