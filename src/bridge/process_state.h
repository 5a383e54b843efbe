// Forgetting the library's process-wide state, so that the simulated desktop can start a fresh
// scenario in the same process (tests, the scenario player).
#pragma once

namespace axb::bridge {

// Drops the tracker, the host callback, the pending event, the workspace subscriptions and every
// observer registration, in that order of dependence.
void resetProcessState();

}  // namespace axb::bridge
