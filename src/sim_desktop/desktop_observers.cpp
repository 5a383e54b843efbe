// Accessibility observers and the delivery of element notifications to them.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>

#include "sim_desktop/desktop_state.h"

namespace axb::sim {
namespace {

// A registration on the application element hears every element of that application.
bool hears(const ObserverNode::Registration& registration, const ElementNode& changed) {
  const auto& target = *registration.element;
  if (&target == &changed) return true;
  return target.application && !target.destroyed && target.pid == changed.pid;
}

}  // namespace

std::shared_ptr<ObserverNode> Desktop::createObserver(ProcessId pid,
                                                      platform::ObserverCallback callback) {
  auto node = std::make_shared<ObserverNode>(pid, callback);
  auto& observers = state_->observers;
  std::erase_if(observers, [](const auto& weak) { return weak.expired(); });
  observers.push_back(node);
  return node;
}

std::size_t Desktop::liveRegistrationCount() const {
  std::size_t count = 0;
  for (const auto& weak : state_->observers) {
    if (const auto observer = weak.lock(); observer && observer->alive) {
      count += observer->registrations.size();
    }
  }
  return count;
}

std::size_t Desktop::liveObserverCount() const {
  return static_cast<std::size_t>(
      std::count_if(state_->observers.begin(), state_->observers.end(), [](const auto& weak) {
        const auto observer = weak.lock();
        return observer && observer->alive;
      }));
}

// Each matching registration gets its own delivery, queued for the default mode now. A
// notification for an observer whose source is not on the run loop is lost; one whose
// registration or observer is gone by delivery time is dropped then.
void postElementNotification(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                             const std::string& notification) {
  auto& state = desktop.state();
  for (const auto& weak : state.observers) {
    const auto observer = weak.lock();
    if (!observer || !observer->alive || !observer->sourceAdded) continue;
    for (const auto& registration : observer->registrations) {
      if (registration.notification != notification || !hears(registration, *node)) continue;
      std::weak_ptr<ObserverNode> target = observer;
      const auto registrationId = registration.id;
      state.mainWork.emplace(state.nextKey(state.now),
                             MainThreadWork{modeBit(RunLoopMode::Default),
                                            [target, registrationId, node, notification] {
                                              const auto live = target.lock();
                                              if (!live || !live->alive) return;
                                              const auto* current =
                                                  live->findRegistration(registrationId);
                                              if (!current || !live->callback) return;
                                              void* const refcon = current->refcon;
                                              limitMessagingTime(node);
                                              live->callback(elementOf(node), notification, refcon);
                                            }});
    }
  }
}

}  // namespace axb::sim
