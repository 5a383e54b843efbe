// Subscriptions to the two streams of notifications that drive the tracker: accessibility
// notifications of elements of other applications, and the workspace's application changes.
#pragma once

#include <any>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/geometry.h"
#include "platform/object.h"
#include "platform/observer.h"
#include "platform/workspace.h"

namespace axb::ax {

using platform::Element;
using NotificationCallback = platform::ObserverCallback;
using AppChangedCallback = std::function<void(const platform::WorkspaceEvent&)>;

// The application element of a process; requests to it fail when the process does not exist.
Element getAppRef(ProcessId pid);

// The workspace's frontmost application; nothing in the library calls it.
std::optional<platform::RunningApplication> getFrontmost();

enum class RegistrationResult {
  InForce,     // made now, or already in force
  Refused,     // the platform said no ("error" printed); trying again would not help
  Unanswered,  // the application did not answer, now or earlier in this run: worth a retry
};

// Registers one notification on the element. The refcon is what the callback gets back; it also
// names the registration's owner, and the registration does not keep it alive. A registration
// already in force for the same element, notification, callback and refcon is not made again.
// Prints "error" when the platform refuses the registration or yields no observer.
RegistrationResult setNotification(const Element& element, ProcessId pid,
                                   std::string_view notification, NotificationCallback callback,
                                   void* refcon);

// Subscribes the callback to application activations and launches, for the owner.
void setAppChangedNotification(AppChangedCallback callBack, const void* owner);

// Subscribes the callback to application terminations, for the owner.
void setAppTerminatedNotification(AppChangedCallback callBack, const void* owner);

// Withdraws and releases every registration made for the process.
void withdrawRegistrations(ProcessId pid);

// Withdraws one registration, if it is in force.
void withdrawRegistration(const Element& element, std::string_view notification,
                          NotificationCallback callback, const void* refcon);

// Withdraws every registration made with the refcon.
void withdrawRegistrationsOf(const void* refcon);

// Withdraws every workspace subscription of the owner.
void withdrawSubscriptionsOf(const void* owner);

// How many registrations are in force, and on how many elements (for tests and benchmarks).
std::size_t registrationCount();
std::size_t registeredElementCount();
std::size_t subscriptionCount();

// The observer created most recently, held weakly; only tests read it.
std::weak_ptr<platform::Observer> latestObserver();

// Drops every registration and subscription (process reset).
void resetObservers();

// A box for one optional object of any type; nothing in the library uses it.
class MyRefcon {
 public:
  explicit MyRefcon(std::any data = {}) : data(std::move(data)) {}
  std::any data;
};

}  // namespace axb::ax
