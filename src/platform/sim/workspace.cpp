// Running applications and workspace subscriptions of the platform boundary.
#include "platform/workspace.h"

#include "sim_desktop/desktop_state.h"

namespace axb::platform {

ProcessId RunningApplication::processIdentifier() const {
  return impl_->record->spec.pid;
}

std::optional<std::string> RunningApplication::bundleIdentifier() const {
  return impl_->record->spec.bundleId;
}

std::optional<std::string> RunningApplication::localizedName() const {
  return impl_->record->spec.name;
}

bool RunningApplication::isFinishedLaunching() const {
  return impl_->record->finishedLaunching;
}

bool RunningApplication::activate() const {
  return sim::requestActivation(sim::Desktop::current(), impl_->record);
}

std::optional<RunningApplication> frontmostApplication() {
  auto& desktop = sim::Desktop::current();
  const auto pid = desktop.workspaceFrontmostPid();
  if (!pid) return std::nullopt;
  return desktop.runningApplication(*pid);
}

std::optional<RunningApplication> runningApplicationWithProcessIdentifier(ProcessId pid) {
  return sim::Desktop::current().runningApplication(pid);
}

ProcessId currentProcessId() {
  return sim::Desktop::current().hostProcess();
}

struct WorkspaceSubscription::Impl {
  std::shared_ptr<sim::SubscriptionNode> node;
};

WorkspaceSubscription::WorkspaceSubscription(WorkspaceEvent event, Handler handler)
    : impl_(std::make_unique<Impl>(Impl{std::make_shared<sim::SubscriptionNode>(
          sim::SubscriptionNode{event, std::move(handler)})})) {
  sim::addSubscription(sim::Desktop::current(), impl_->node);
}

// The handler itself stays in the node: it may be the one running right now.
WorkspaceSubscription::~WorkspaceSubscription() {
  impl_->node->alive = false;
}

}  // namespace axb::platform
