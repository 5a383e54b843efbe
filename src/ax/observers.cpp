#include "ax/observers.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/accessibility.h"
#include "platform/diagnostics.h"

namespace axb::ax {
namespace {

struct RegistrationKey {
  Element element;
  std::string notification;
  NotificationCallback callback;
  void* refcon;
  bool operator==(const RegistrationKey&) const = default;
};

struct RegistrationKeyHash {
  std::size_t operator()(const RegistrationKey& key) const {
    std::size_t h = key.element.hash();
    h = h * 31 + std::hash<std::string>()(key.notification);
    h = h * 31 + std::hash<void*>()(reinterpret_cast<void*>(key.callback));
    return h * 31 + std::hash<void*>()(key.refcon);
  }
};

struct Registration {
  ProcessId pid;
  std::shared_ptr<platform::Observer> observer;  // withdraws its notification when released
};

// Registrations in force and workspace subscriptions. Created on first use and never destroyed:
// releasing observers during static destruction would talk to a platform already shutting down.
struct ObserverState {
  std::unordered_map<RegistrationKey, Registration, RegistrationKeyHash> registrations;
  std::weak_ptr<platform::Observer> latest;
  std::vector<std::unique_ptr<platform::WorkspaceSubscription>> subscriptions;
};

ObserverState& state() {
  static ObserverState* const instance = new ObserverState();
  return *instance;
}

}  // namespace

Element getAppRef(ProcessId pid) {
  return platform::createApplicationElement(pid);
}

std::optional<platform::RunningApplication> getFrontmost() {
  return platform::frontmostApplication();
}

void setNotification(const Element& element, ProcessId pid, std::string_view notification,
                     NotificationCallback callback, tracker::MacAccessibility* tracker) {
  RegistrationKey key{element, std::string(notification), callback, tracker};
  auto& registrations = state().registrations;
  // One registration in force per key: repeated switches to an application must not multiply
  // the handler runs of each of its notifications.
  if (registrations.contains(key)) return;

  std::shared_ptr<platform::Observer> observer = platform::Observer::create(pid, callback);
  if (!observer) {
    platform::writeDiagnosticLine("error");
    return;
  }
  state().latest = observer;
  const platform::AXErrorCode added = observer->addNotification(element, notification, tracker);
  if (added != platform::axerr::kSuccess) {
    // Not in force: the observer is released, and a later registration may try again.
    platform::writeDiagnosticLine("error");
    return;
  }
  observer->addSourceToCurrentRunLoop();
  registrations.emplace(std::move(key), Registration{pid, std::move(observer)});
}

void setAppChangedNotification(AppChangedCallback callBack, tracker::MacAccessibility*) {
  auto& subscriptions = state().subscriptions;
  subscriptions.push_back(std::make_unique<platform::WorkspaceSubscription>(
      platform::WorkspaceEvent::DidActivateApplication, callBack));
  subscriptions.push_back(std::make_unique<platform::WorkspaceSubscription>(
      platform::WorkspaceEvent::DidLaunchApplication, std::move(callBack)));
}

void setAppTerminatedNotification(AppChangedCallback callBack) {
  state().subscriptions.push_back(std::make_unique<platform::WorkspaceSubscription>(
      platform::WorkspaceEvent::DidTerminateApplication, std::move(callBack)));
}

void withdrawRegistrations(ProcessId pid) {
  std::erase_if(state().registrations,
                [pid](const auto& entry) { return entry.second.pid == pid; });
}

std::size_t registrationCount() {
  return state().registrations.size();
}

std::weak_ptr<platform::Observer> latestObserver() {
  return state().latest;
}

void resetObservers() {
  ObserverState& s = state();
  s.subscriptions.clear();
  s.registrations.clear();
  s.latest.reset();
}

}  // namespace axb::ax
