// Applications, the frontmost one, and the workspace notifications about them.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/vocabulary.h"
#include "sim_desktop/desktop_state.h"

namespace axb::sim {
namespace {

ElementSpec applicationElementSpec(ProcessId pid, const std::optional<std::string>& name) {
  ElementSpec spec;
  spec.id = "app:" + std::to_string(pid);
  spec.role = platform::roles::kApplication;
  spec.title = name;
  return spec;
}

}  // namespace

platform::RunningApplication runningApplicationFor(std::shared_ptr<AppRecord> record) {
  return platform::RunningApplication(std::make_shared<const platform::RunningApplication::Impl>(
      platform::RunningApplication::Impl{std::move(record)}));
}

void Desktop::addApplication(const AppSpec& spec) {
  auto& state = *state_;
  if (state.liveApp(spec.pid)) {
    throw std::invalid_argument("an application with pid " + std::to_string(spec.pid) +
                                " is already running");
  }
  auto record = std::make_shared<AppRecord>();
  record->spec = spec;
  record->finishedLaunching = spec.finishedLaunching;
  // An application element made for the pid before the process existed addresses it now.
  const auto detached = state.detachedAppNodes.find(spec.pid);
  if (detached != state.detachedAppNodes.end()) {
    record->appNode = detached->second;
    record->appNode->spec = applicationElementSpec(spec.pid, spec.name);
    state.detachedAppNodes.erase(detached);
  } else {
    record->appNode = std::make_shared<ElementNode>(
        spec.pid, applicationElementSpec(spec.pid, spec.name), /*isApplication=*/true);
  }
  state.elements[record->appNode->spec.id] = record->appNode;
  state.apps.push_back(std::move(record));
}

void Desktop::launchApplication(const AppSpec& spec, double launchSeconds, bool inBackground) {
  AppSpec launching = spec;
  launching.finishedLaunching = false;
  addApplication(launching);
  std::weak_ptr<AppRecord> record = state_->apps.back();
  if (!inBackground) {
    state_->frontmost = spec.pid;
    postApplicationNotification(kDidActivateApplicationNotification, spec.pid);
  }
  atWorldTime(now() + std::max(launchSeconds, 0.0), [this, record] {
    const auto app = record.lock();
    if (!app || app->terminated) return;
    app->finishedLaunching = true;
    postApplicationNotification(kDidLaunchApplicationNotification, app->spec.pid);
  });
}

void Desktop::activate(ProcessId pid) {
  const auto app = state_->liveApp(pid);
  if (!app || state_->frontmost == pid) return;
  state_->frontmost = pid;
  postApplicationNotification(kDidActivateApplicationNotification, pid);
  if (!app->spec.announcesFocusOnActivation) return;
  // After the activation has been handled, so that whoever it made listen hears the focus too.
  std::weak_ptr<AppRecord> record = app;
  dispatchAfterOnMainQueue(0, [this, record] {
    const auto live = record.lock();
    if (!live || live->terminated || !live->focused || live->focused->destroyed) return;
    postElementNotification(*this, live->focused,
                            platform::notifications::kFocusedUIElementChanged);
  });
}

void Desktop::terminate(ProcessId pid) {
  const auto app = state_->liveApp(pid);
  if (!app) return;
  app->terminated = true;
  app->focused.reset();
  app->appNode->destroyed = true;
  for (const auto& node : app->elements) node->destroyed = true;
  if (state_->frontmost == pid) state_->frontmost.reset();
  postApplicationNotification(kDidTerminateApplicationNotification, pid);
}

bool requestActivation(Desktop& desktop, const std::shared_ptr<AppRecord>& record) {
  auto& state = desktop.state();
  // A handle from before a reset, or of a process that has quit, cannot be activated.
  if (!record || record->terminated || state.liveApp(record->spec.pid) != record) return false;
  if (state.frontmost == record->spec.pid) return true;
  if (record->spec.refusesActivation) return false;
  std::weak_ptr<AppRecord> weak = record;
  desktop.atWorldTime(desktop.now() + record->spec.activationSeconds, [&desktop, weak] {
    const auto app = weak.lock();
    if (!app || app->terminated) return;
    desktop.activate(app->spec.pid);
  });
  return true;
}

std::optional<ProcessId> Desktop::frontmostPid() const {
  return state_->frontmost;
}

std::optional<ProcessId> Desktop::workspaceFrontmostPid() const {
  return state_->workspaceFrontmost;
}

void Desktop::setHostProcess(ProcessId pid) {
  state_->hostPid = pid;
}
ProcessId Desktop::hostProcess() const {
  return state_->hostPid;
}

void addSubscription(Desktop& desktop, std::shared_ptr<SubscriptionNode> subscription) {
  auto& subscriptions = desktop.state().subscriptions;
  std::erase_if(subscriptions, [](const auto& weak) { return weak.expired(); });
  subscriptions.push_back(std::move(subscription));
}

// Posted on the main thread: delivered by the run loop in any mode, to the subscriptions that
// exist when it runs, in the order they were made.
void Desktop::postWorkspaceNotification(const WorkspaceNotification& notification) {
  dispatchAfterOnMainQueue(0, [this, notification] {
    const auto subscriptions = state_->subscriptions;
    for (const auto& weak : subscriptions) {
      const auto subscription = weak.lock();
      if (!subscription || !subscription->alive || !subscription->handler) continue;
      if (notification.name != subscription->name) continue;
      subscription->handler(notification);
    }
  });
}

void Desktop::postApplicationNotification(const char* name, ProcessId pid) {
  WorkspaceNotification notification;
  notification.name = name;
  if (const auto app = state_->findApp(pid)) {
    notification.userInfo.emplace();
    notification.userInfo->emplace(kApplicationKey, runningApplicationFor(app));
  }
  postWorkspaceNotification(notification);
}

std::optional<platform::RunningApplication> Desktop::runningApplication(ProcessId pid) const {
  if (auto app = state_->liveApp(pid)) return runningApplicationFor(std::move(app));
  return std::nullopt;
}

std::vector<ProcessId> Desktop::applicationPids() const {
  std::vector<ProcessId> pids;
  for (const auto& app : state_->apps) {
    if (!app->terminated) pids.push_back(app->spec.pid);
  }
  return pids;
}

bool isHung(const Desktop& desktop, const AppRecord& app) {
  return app.hung && (!app.hangEnd || desktop.now() < *app.hangEnd);
}

void limitMessagingTime(const std::shared_ptr<ElementNode>& node) {
  if (node) node->messagingTimeout = kLibraryMessagingTimeout;
}

// Keystrokes that waited for the application reach it, in order, once it answers again.
static void releaseHeldKeys(Desktop& desktop, const std::shared_ptr<AppRecord>& app) {
  for (const PostedKeyEvent& event : std::exchange(app->heldKeys, {})) {
    scheduleKeyHandling(desktop, event);
  }
}

void Desktop::setResponsive(ProcessId pid, bool responsive, double hangSeconds) {
  const auto app = state_->liveApp(pid);
  if (!app) return;
  if (responsive) {
    app->hung = false;
    app->hangEnd.reset();
    releaseHeldKeys(*this, app);
    return;
  }
  app->hung = true;
  app->hangEnd.reset();
  if (!(hangSeconds > 0)) return;
  const double end = now() + hangSeconds;
  app->hangEnd = end;
  std::weak_ptr<AppRecord> weak = app;
  atWorldTime(end, [this, weak, end] {
    const auto hung = weak.lock();
    if (!hung || hung->terminated || hung->hangEnd != end) return;
    hung->hung = false;
    hung->hangEnd.reset();
    releaseHeldKeys(*this, hung);
  });
}

bool Desktop::isResponsive(ProcessId pid) const {
  const auto app = state_->liveApp(pid);
  return app && !isHung(*this, *app);
}

platform::Element Desktop::applicationElement(ProcessId pid) const {
  auto& state = *state_;
  if (const auto app = state.liveApp(pid)) return elementOf(app->appNode);
  auto& node = state.detachedAppNodes[pid];
  if (!node) {
    node = std::make_shared<ElementNode>(pid, applicationElementSpec(pid, std::nullopt),
                                         /*isApplication=*/true);
  }
  return elementOf(node);
}

}  // namespace axb::sim
