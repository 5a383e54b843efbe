// Accessibility observers over the global event hub: an observer serves one process, and each of
// its registrations hears the notification for its element, or for every element of the process
// when registered on the application element.
#include "platform/observer.h"

#include <glib.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/accessibility.h"
#include "platform/linux/atspi/event_hub.h"
#include "platform/linux/object_impl.h"
#include "platform/vocabulary.h"

namespace axb::platform {
namespace {

using atspi::DesktopEvent;
using atspi::DesktopEventKind;

constexpr char kApplicationPath[] = "/org/a11y/atspi/accessible/root";

// The notifications the binding delivers, each with the desktop event that raises it.
struct Delivered {
  DesktopEventKind kind;
  const char* notification;
};
constexpr Delivered kDelivered[] = {
    {DesktopEventKind::FocusGained, notifications::kFocusedUIElementChanged},
    {DesktopEventKind::TextSelectionChanged, notifications::kSelectedTextChanged},
    {DesktopEventKind::WindowMoved, notifications::kWindowMoved},
    {DesktopEventKind::WindowResized, notifications::kWindowResized},
};

bool supported(std::string_view notification) {
  for (const auto& delivered : kDelivered) {
    if (notification == delivered.notification) return true;
  }
  return false;
}

const char* notificationFor(DesktopEventKind kind) {
  for (const auto& delivered : kDelivered) {
    if (delivered.kind == kind) return delivered.notification;
  }
  return nullptr;
}

bool isApplicationElement(const Element& element) {
  AtspiAccessible* accessible = atspi::accessibleOf(element);
  // An application not yet in the tree stands for all of it too.
  if (!accessible) return atspi::valueOf<atspi::ElementValue>(element.object());
  return accessible->parent.path && std::strcmp(accessible->parent.path, kApplicationPath) == 0;
}

}  // namespace

struct Observer::Impl {
  ProcessId pid = 0;
  ObserverCallback callback = nullptr;
  bool delivering = false;
  struct Registration {
    Element element;
    std::string notification;
    void* refcon;
    std::uint64_t id;
  };
  std::vector<Registration> registrations;
  int sink = 0;

  ~Impl() {
    if (sink) atspi::removeSink(sink);
  }

  bool has(std::uint64_t id) const {
    for (const auto& registration : registrations) {
      if (registration.id == id) return true;
    }
    return false;
  }

  void hear(const DesktopEvent& event);
};

namespace {

// Observers that may still be delivering, so that a delivery can tell whether the observer it
// started with is still there after a callback ran.
std::vector<const Observer::Impl*>& liveObservers() {
  static auto* const observers = new std::vector<const Observer::Impl*>();
  return *observers;
}

// Unique across observers: an observer released in a callback and another one created at the
// same address must not be taken for each other.
std::uint64_t nextRegistrationId() {
  static std::uint64_t next = 0;
  return ++next;
}

bool alive(const Observer::Impl* observer) {
  for (const auto* live : liveObservers()) {
    if (live == observer) return true;
  }
  return false;
}

}  // namespace

void Observer::Impl::hear(const DesktopEvent& event) {
  if (!delivering || event.pid != pid || !event.source) return;
  const char* notification = notificationFor(event.kind);
  if (!notification) return;
  std::vector<std::pair<std::uint64_t, void*>> due;
  for (const auto& registration : registrations) {
    if (registration.notification != notification) continue;
    const bool whole = isApplicationElement(registration.element);
    AtspiAccessible* own = atspi::accessibleOf(registration.element);
    if (!whole && !atspi::sameAccessible(own, event.source.get())) continue;
    due.emplace_back(registration.id, registration.refcon);
  }
  if (due.empty()) return;
  const std::optional<Element> changed = Element::from(atspi::wrapAccessible(event.source));
  if (!changed) return;
  const ObserverCallback deliver = callback;
  for (const auto& [id, refcon] : due) {
    // The callback may withdraw registrations or release this observer.
    if (!alive(this) || !has(id)) return;
    deliver(*changed, notification, refcon);
  }
}

std::unique_ptr<Observer> Observer::create(ProcessId pid, ObserverCallback callback) {
  if (!callback) return nullptr;
  atspi::ensureListening();
  auto impl = std::make_unique<Impl>();
  impl->pid = pid;
  impl->callback = callback;
  Impl* raw = impl.get();
  impl->sink = atspi::addSink([raw](const DesktopEvent& event) { raw->hear(event); }, pid);
  liveObservers().push_back(raw);
  return std::make_unique<Observer>(std::move(impl));
}

Observer::Observer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Observer::~Observer() {
  std::erase(liveObservers(), impl_.get());
}

AXErrorCode Observer::addNotification(const Element& element, std::string_view notification,
                                      void* refcon) {
  if (!element.object()) return axerr::kIllegalArgument;
  for (const auto& registration : impl_->registrations) {
    if (registration.element == element && registration.notification == notification) {
      return axerr::kNotificationAlreadyRegistered;
    }
  }
  if (!supported(notification)) return axerr::kNotificationUnsupported;
  // An observer serves its own process only.
  const std::optional<ProcessId> owner = elementProcessId(element);
  if (owner && *owner != impl_->pid) return axerr::kIllegalArgument;
  impl_->registrations.push_back(
      {element, std::string(notification), refcon, nextRegistrationId()});
  return axerr::kSuccess;
}

AXErrorCode Observer::removeNotification(const Element& element, std::string_view notification) {
  const auto before = impl_->registrations.size();
  std::erase_if(impl_->registrations, [&](const Impl::Registration& registration) {
    return registration.element == element && registration.notification == notification;
  });
  return impl_->registrations.size() == before ? axerr::kNotificationNotRegistered
                                               : axerr::kSuccess;
}

void Observer::addSourceToCurrentRunLoop() {
  impl_->delivering = true;
}

}  // namespace axb::platform
