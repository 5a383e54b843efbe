// Accessibility observers: one observer per process, any number of (element, notification)
// registrations on it, delivered through a run-loop source in the default mode.
#pragma once

#include <memory>
#include <string_view>

#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/object.h"

namespace axb::platform {

// Called on the run loop the observer's source was added to. element is the element that
// changed; refcon is the pointer given at registration, passed through untouched.
using ObserverCallback = void (*)(const Element& element, std::string_view notification,
                                  void* refcon);

// Owns one platform observer. Destroying it removes its source from the run loop, so no callback
// runs afterwards; it asks the application nothing (a hung one would keep the caller waiting).
class Observer {
 public:
  struct Impl;

  // Creates an observer for the process; nothing when the platform yields none.
  static std::unique_ptr<Observer> create(ProcessId pid, ObserverCallback callback);
  ~Observer();
  Observer(const Observer&) = delete;
  Observer& operator=(const Observer&) = delete;

  AXErrorCode addNotification(const Element& element, std::string_view notification, void* refcon);
  AXErrorCode removeNotification(const Element& element, std::string_view notification);

  // Adds the observer's run-loop source to the calling thread's run loop, in the default mode.
  void addSourceToCurrentRunLoop();

  explicit Observer(std::unique_ptr<Impl> impl);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace axb::platform
