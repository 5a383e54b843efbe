// Running applications and workspace subscriptions of the platform boundary. The simulated
// workspace posts notifications as macOS does; a subscription turns each into a workspace event.
#include "platform/workspace.h"

#include <variant>

#include "sim_desktop/desktop_state.h"

namespace axb::platform {
namespace {

const char* notificationName(WorkspaceEventKind kind) {
  switch (kind) {
    case WorkspaceEventKind::ApplicationActivated:
      return sim::kDidActivateApplicationNotification;
    case WorkspaceEventKind::ApplicationLaunched:
      return sim::kDidLaunchApplicationNotification;
    case WorkspaceEventKind::ApplicationTerminated:
      return sim::kDidTerminateApplicationNotification;
  }
  return sim::kDidActivateApplicationNotification;
}

// The application under the application key, when there is one and it is a running application.
std::optional<RunningApplication> applicationOf(const sim::WorkspaceNotification& notification) {
  if (!notification.userInfo) return std::nullopt;
  const auto entry = notification.userInfo->find(sim::kApplicationKey);
  if (entry == notification.userInfo->end()) return std::nullopt;
  if (const auto* app = std::get_if<RunningApplication>(&entry->second)) return *app;
  return std::nullopt;
}

}  // namespace

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

WorkspaceSubscription::WorkspaceSubscription(WorkspaceEventKind kind, Handler handler)
    : impl_(std::make_unique<Impl>()) {
  auto convert = [kind, handler = std::move(handler)](const sim::WorkspaceNotification& posted) {
    if (handler) handler(WorkspaceEvent{kind, applicationOf(posted)});
  };
  impl_->node = std::make_shared<sim::SubscriptionNode>(
      sim::SubscriptionNode{notificationName(kind), std::move(convert)});
  sim::addSubscription(sim::Desktop::current(), impl_->node);
}

// The handler itself stays in the node: it may be the one running right now.
WorkspaceSubscription::~WorkspaceSubscription() {
  impl_->node->alive = false;
}

}  // namespace axb::platform
