// Accessibility observers. The platform hands each callback the refcon given at registration;
// here that refcon is a small record owned by the observer, which carries the library's
// callback and the caller's own refcon.
#include "platform/observer.h"

#include <ApplicationServices/ApplicationServices.h>
#include <dispatch/dispatch.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/mac/callout.h"
#include "platform/mac/cf_string.h"
#include "platform/mac/messaging.h"
#include "platform/mac/object_impl.h"

namespace axb::platform {
namespace {

using mac::CFRef;

struct Registration {
  ObserverCallback callback = nullptr;
  void* refcon = nullptr;
};

struct RegistrationKey {
  Element element;
  std::string notification;
  bool operator==(const RegistrationKey&) const = default;
};

struct RegistrationKeyHash {
  std::size_t operator()(const RegistrationKey& key) const {
    return key.element.hash() * 31 + std::hash<std::string>()(key.notification);
  }
};

// The records' addresses are what the platform holds, so they never move.
using Registrations =
    std::unordered_map<RegistrationKey, std::unique_ptr<Registration>, RegistrationKeyHash>;

AXUIElementRef elementRef(const Element& element) {
  return static_cast<AXUIElementRef>(mac::borrow(element.object()));
}

void deliver(AXObserverRef, AXUIElementRef element, CFStringRef notification, void* refcon) {
  if (!element || !refcon) return;
  // Copied first: the callback may destroy the observer, and the record with it.
  const Registration registration = *static_cast<const Registration*>(refcon);
  if (!registration.callback) return;
  mac::runCallout([&] {
    mac::limitMessagingTime(element);
    const std::optional<Element> changed =
        Element::from(mac::wrap(CFRef<CFTypeRef>::retain(element)));
    if (!changed) return;
    const std::string name = mac::utf8String(notification);
    registration.callback(*changed, name, registration.refcon);
  });
}

}  // namespace

struct Observer::Impl {
  CFRef<AXObserverRef> observer;
  ObserverCallback callback = nullptr;
  Registrations registrations;
  std::vector<CFRef<CFRunLoopRef>> runLoops;  // where the source was added

  ~Impl() {
    if (!observer) return;
    const CFRunLoopSourceRef source = AXObserverGetRunLoopSource(observer.get());
    // Removing the source is what stops the callbacks. The registrations are not withdrawn one
    // by one: each withdrawal is a request to the application, which waits on a hung one, and
    // releasing the observer ends them all anyway.
    for (const auto& runLoop : runLoops) {
      CFRunLoopRemoveSource(runLoop.get(), source, kCFRunLoopDefaultMode);
    }
    // This may run inside one of the observer's own callbacks: the observer and the records
    // are let go only once the main queue is next served.
    auto leftovers = std::make_shared<Registrations>(std::move(registrations));
    CFRef<AXObserverRef> released = observer;
    dispatch_async(dispatch_get_main_queue(), ^{
      (void)leftovers;
      (void)released;
    });
  }
};

std::unique_ptr<Observer> Observer::create(ProcessId pid, ObserverCallback callback) {
  if (!callback) return nullptr;
  AXObserverRef created = nullptr;
  const AXError error = AXObserverCreate(pid, &deliver, &created);
  CFRef<AXObserverRef> observer = CFRef<AXObserverRef>::adopt(created);
  if (error != kAXErrorSuccess || !observer) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->observer = std::move(observer);
  impl->callback = callback;
  return std::make_unique<Observer>(std::move(impl));
}

Observer::Observer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Observer::~Observer() = default;

AXErrorCode Observer::addNotification(const Element& element, std::string_view notification,
                                      void* refcon) {
  RegistrationKey key{element, std::string(notification)};
  // The platform still holds the existing record: it must not be replaced.
  if (impl_->registrations.contains(key)) return axerr::kNotificationAlreadyRegistered;
  const CFRef<CFStringRef> name = mac::makeCFString(notification);
  if (!name) return axerr::kIllegalArgument;
  auto record = std::make_unique<Registration>(Registration{impl_->callback, refcon});
  const AXError error = AXObserverAddNotification(impl_->observer.get(), elementRef(element),
                                                  name.get(), record.get());
  if (error == kAXErrorSuccess) impl_->registrations.emplace(std::move(key), std::move(record));
  return error;
}

AXErrorCode Observer::removeNotification(const Element& element, std::string_view notification) {
  const CFRef<CFStringRef> name = mac::makeCFString(notification);
  if (!name) return axerr::kIllegalArgument;
  const AXError error =
      AXObserverRemoveNotification(impl_->observer.get(), elementRef(element), name.get());
  // A record is freed only once the platform has let go of it.
  if (error == kAXErrorSuccess)
    impl_->registrations.erase(RegistrationKey{element, std::string(notification)});
  return error;
}

void Observer::addSourceToCurrentRunLoop() {
  CFRef<CFRunLoopRef> runLoop = CFRef<CFRunLoopRef>::retain(CFRunLoopGetCurrent());
  for (const auto& added : impl_->runLoops) {
    if (added.get() == runLoop.get()) return;
  }
  CFRunLoopAddSource(runLoop.get(), AXObserverGetRunLoopSource(impl_->observer.get()),
                     kCFRunLoopDefaultMode);
  impl_->runLoops.push_back(std::move(runLoop));
}

}  // namespace axb::platform
