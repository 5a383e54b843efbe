#include "ax/observers.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ax/request_run.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"

namespace axb::ax {
namespace {

struct RegistrationKey {
  Element element;
  std::string notification;
  NotificationCallback callback;
  const void* refcon;
  bool operator==(const RegistrationKey&) const = default;
};

struct RegistrationKeyHash {
  std::size_t operator()(const RegistrationKey& key) const {
    std::size_t h = key.element.hash();
    h = h * 31 + std::hash<std::string>()(key.notification);
    h = h * 31 + std::hash<void*>()(reinterpret_cast<void*>(key.callback));
    return h * 31 + std::hash<const void*>()(key.refcon);
  }
};

struct Registration {
  ProcessId pid;
  std::shared_ptr<platform::Observer> observer;  // withdraws its notification when released
};

struct Subscription {
  const void* owner;
  std::unique_ptr<platform::WorkspaceSubscription> subscription;
};

// Registrations in force and workspace subscriptions. Created on first use and never destroyed:
// releasing observers during static destruction would talk to a platform already shutting down.
struct ObserverState {
  std::unordered_map<RegistrationKey, Registration, RegistrationKeyHash> registrations;
  std::weak_ptr<platform::Observer> latest;
  std::vector<Subscription> subscriptions;
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

RegistrationResult setNotification(const Element& element, ProcessId pid,
                                   std::string_view notification, NotificationCallback callback,
                                   void* refcon) {
  RegistrationKey key{element, std::string(notification), callback, refcon};
  auto& registrations = state().registrations;
  // One registration in force per key: repeated switches to an application must not multiply
  // the handler runs of each of its notifications.
  if (registrations.contains(key)) return RegistrationResult::InForce;
  if (RequestRun::skips(element)) return RegistrationResult::Unanswered;

  std::shared_ptr<platform::Observer> observer = platform::Observer::create(pid, callback);
  if (!observer) {
    platform::writeDiagnosticLine("error");
    return RegistrationResult::Refused;
  }
  state().latest = observer;
  const platform::AXErrorCode added = observer->addNotification(element, notification, refcon);
  RequestRun::note(element, added);
  if (added != platform::axerr::kSuccess) {
    // Not in force: the observer is released, and a later registration may try again.
    platform::writeDiagnosticLine("error");
    return added == platform::axerr::kCannotComplete ? RegistrationResult::Unanswered
                                                     : RegistrationResult::Refused;
  }
  observer->addSourceToCurrentRunLoop();
  registrations.emplace(std::move(key), Registration{pid, std::move(observer)});
  return RegistrationResult::InForce;
}

void setAppChangedNotification(AppChangedCallback callBack, const void* owner) {
  auto& subscriptions = state().subscriptions;
  subscriptions.push_back(
      {owner, std::make_unique<platform::WorkspaceSubscription>(
                  platform::WorkspaceEventKind::ApplicationActivated, callBack)});
  subscriptions.push_back(
      {owner, std::make_unique<platform::WorkspaceSubscription>(
                  platform::WorkspaceEventKind::ApplicationLaunched, std::move(callBack))});
}

void setAppTerminatedNotification(AppChangedCallback callBack, const void* owner) {
  state().subscriptions.push_back(
      {owner, std::make_unique<platform::WorkspaceSubscription>(
                  platform::WorkspaceEventKind::ApplicationTerminated, std::move(callBack))});
}

void withdrawRegistrations(ProcessId pid) {
  std::erase_if(state().registrations,
                [pid](const auto& entry) { return entry.second.pid == pid; });
}

void withdrawRegistration(const Element& element, std::string_view notification,
                          NotificationCallback callback, const void* refcon) {
  state().registrations.erase(
      RegistrationKey{element, std::string(notification), callback, refcon});
}

void withdrawRegistrationsOf(const void* refcon) {
  std::erase_if(state().registrations,
                [refcon](const auto& entry) { return entry.first.refcon == refcon; });
}

void withdrawSubscriptionsOf(const void* owner) {
  ObserverState& s = state();
  // Moved out first and released at the end: releasing a subscription may release its owner,
  // which must not find the list half changed.
  std::vector<Subscription> withdrawn;
  for (auto it = s.subscriptions.begin(); it != s.subscriptions.end();) {
    if (it->owner != owner) {
      ++it;
      continue;
    }
    withdrawn.push_back(std::move(*it));
    it = s.subscriptions.erase(it);
  }
}

std::size_t registrationCount() {
  return state().registrations.size();
}

std::size_t registeredElementCount() {
  std::unordered_set<Element, platform::ObjectHash> elements;
  for (const auto& [key, registration] : state().registrations) elements.insert(key.element);
  return elements.size();
}

std::size_t subscriptionCount() {
  return state().subscriptions.size();
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
