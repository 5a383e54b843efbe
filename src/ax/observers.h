// Subscriptions to the two streams of notifications that drive the tracker: accessibility
// notifications of elements of other applications, and the workspace's application changes.
#pragma once

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/geometry.h"
#include "platform/object.h"
#include "platform/observer.h"
#include "platform/workspace.h"

namespace axb::tracker {
class MacAccessibility;
}

namespace axb::ax {

using platform::Element;
using NotificationCallback = platform::ObserverCallback;
using AppChangedCallback = std::function<void(const platform::WorkspaceNotification&)>;

// The application element of a process; requests to it fail when the process does not exist.
Element getAppRef(ProcessId pid);

std::optional<platform::RunningApplication> getFrontmost();

// Registers one notification on the element, with the tracker as the refcon the callback gets
// back (the registration does not keep the tracker alive). A registration already in force for
// the same element, notification, callback and tracker is not made again. Prints "error" when
// the platform refuses the registration or yields no observer.
void setNotification(const Element& element, ProcessId pid, std::string_view notification,
                     NotificationCallback callback, tracker::MacAccessibility* tracker);

// Subscribes the callback to application activations and launches. The subscriptions last until
// the process ends; the callback is kept with them.
void setAppChangedNotification(AppChangedCallback callBack, tracker::MacAccessibility* tracker);

// Subscribes the callback to application terminations, for as long as the process lives.
void setAppTerminatedNotification(AppChangedCallback callBack);

// Withdraws and releases every registration made for the process.
void withdrawRegistrations(ProcessId pid);

// How many registrations are in force (for tests and benchmarks).
std::size_t registrationCount();

// The observer created most recently (nothing reads it; kept for inspection).
std::weak_ptr<platform::Observer> latestObserver();

// Drops every registration and subscription (process reset).
void resetObservers();

// A reference-counted box for one optional object.
class MyRefcon {
 public:
  explicit MyRefcon(std::any data = {}) : data(std::move(data)) {}
  std::any data;
};

}  // namespace axb::ax
