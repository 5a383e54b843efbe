// Accessibility observers of the platform boundary on the simulated desktop.
#include "platform/observer.h"

#include <algorithm>
#include <string>
#include <utility>

#include "sim_desktop/desktop_state.h"

namespace axb::platform {

struct Observer::Impl {
  std::shared_ptr<sim::ObserverNode> node;
};

std::unique_ptr<Observer> Observer::create(ProcessId pid, ObserverCallback callback) {
  // The real call refuses a missing callback but not a process that does not exist.
  if (!callback) return nullptr;
  auto node = sim::Desktop::current().createObserver(pid, callback);
  return std::make_unique<Observer>(std::make_unique<Impl>(Impl{std::move(node)}));
}

Observer::Observer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

// Withdraws everything without asking the application (a request would wait on a hung one):
// deliveries already queued find no registration and are dropped.
Observer::~Observer() {
  if (!impl_ || !impl_->node) return;
  impl_->node->alive = false;
  impl_->node->sourceAdded = false;
  impl_->node->registrations.clear();
}

AXErrorCode Observer::addNotification(const Element& element, std::string_view notification,
                                      void* refcon) {
  auto& desktop = sim::Desktop::current();
  auto& observer = *impl_->node;
  const auto target = sim::nodeOf(element.object());
  const auto error = sim::beginElementRequest(desktop, "addNotification", target, notification);
  if (error != axerr::kSuccess) return error;
  if (const auto it = target->notificationErrors.find(notification);
      it != target->notificationErrors.end()) {
    return it->second;
  }
  // An observer serves the elements of its own process only.
  if (target->pid != observer.pid) return axerr::kIllegalArgument;
  const auto same = [&](const sim::ObserverNode::Registration& registration) {
    return registration.element == target && registration.notification == notification;
  };
  if (std::any_of(observer.registrations.begin(), observer.registrations.end(), same)) {
    return axerr::kNotificationAlreadyRegistered;
  }
  observer.registrations.push_back(
      {observer.nextRegistrationId++, target, std::string(notification), refcon});
  return axerr::kSuccess;
}

AXErrorCode Observer::removeNotification(const Element& element, std::string_view notification) {
  auto& desktop = sim::Desktop::current();
  auto& registrations = impl_->node->registrations;
  const auto target = sim::nodeOf(element.object());
  const auto error = sim::beginElementRequest(desktop, "removeNotification", target, notification);
  if (error != axerr::kSuccess) return error;
  const auto it = std::find_if(registrations.begin(), registrations.end(), [&](const auto& r) {
    return r.element == target && r.notification == notification;
  });
  if (it == registrations.end()) return axerr::kNotificationNotRegistered;
  registrations.erase(it);
  return axerr::kSuccess;
}

void Observer::addSourceToCurrentRunLoop() {
  impl_->node->sourceAdded = true;
}

}  // namespace axb::platform
