// Running applications and the shared workspace's notifications about them.
#include "platform/workspace.h"

#import <AppKit/AppKit.h>
#include <unistd.h>

#include "platform/mac/cf_string.h"
#include "platform/mac/object_impl.h"

namespace axb::platform {

struct RunningApplication::Impl {
  NSRunningApplication* application;  // never nil
};

namespace {

std::optional<std::string> utf8(NSString* string) {
  if (!string) return std::nullopt;
  return mac::utf8String((__bridge CFStringRef)string);
}

std::optional<RunningApplication> wrapApplication(NSRunningApplication* application) {
  if (!application) return std::nullopt;
  return RunningApplication(
      std::make_shared<const RunningApplication::Impl>(RunningApplication::Impl{application}));
}

NSNotificationName notificationName(WorkspaceEvent event) {
  switch (event) {
    case WorkspaceEvent::DidActivateApplication:
      return NSWorkspaceDidActivateApplicationNotification;
    case WorkspaceEvent::DidLaunchApplication:
      return NSWorkspaceDidLaunchApplicationNotification;
    case WorkspaceEvent::DidTerminateApplication:
      return NSWorkspaceDidTerminateApplicationNotification;
  }
  return NSWorkspaceDidActivateApplicationNotification;
}

// Running applications stay applications; every other value is handed on as a platform object.
WorkspaceNotification convert(NSNotification* notification) {
  WorkspaceNotification converted;
  converted.name = utf8(notification.name).value_or("");
  NSDictionary* userInfo = notification.userInfo;
  if (!userInfo) return converted;
  converted.userInfo.emplace();
  for (id key in userInfo) {
    if (![key isKindOfClass:[NSString class]]) continue;
    id value = userInfo[key];
    const std::string name = *utf8(key);
    if ([value isKindOfClass:[NSRunningApplication class]]) {
      converted.userInfo->emplace(name, *wrapApplication(value));
    } else {
      converted.userInfo->emplace(name,
                                  mac::wrap(mac::CFRef<CFTypeRef>::adopt(CFBridgingRetain(value))));
    }
  }
  return converted;
}

}  // namespace

ProcessId RunningApplication::processIdentifier() const {
  return impl_->application.processIdentifier;
}

std::optional<std::string> RunningApplication::bundleIdentifier() const {
  return utf8(impl_->application.bundleIdentifier);
}

std::optional<std::string> RunningApplication::localizedName() const {
  return utf8(impl_->application.localizedName);
}

bool RunningApplication::isFinishedLaunching() const {
  return impl_->application.finishedLaunching;
}

bool RunningApplication::activate() const {
  return [impl_->application activateWithOptions:static_cast<NSApplicationActivationOptions>(0)];
}

std::optional<RunningApplication> frontmostApplication() {
  return wrapApplication([NSWorkspace sharedWorkspace].frontmostApplication);
}

std::optional<RunningApplication> runningApplicationWithProcessIdentifier(ProcessId pid) {
  return wrapApplication([NSRunningApplication runningApplicationWithProcessIdentifier:pid]);
}

ProcessId currentProcessId() {
  return getpid();
}

struct WorkspaceSubscription::Impl {
  NSNotificationCenter* center;
  id token;

  ~Impl() {
    if (token) [center removeObserver:token];
  }
};

WorkspaceSubscription::WorkspaceSubscription(WorkspaceEvent event, Handler handler)
    : impl_(std::make_unique<Impl>()) {
  impl_->center = [NSWorkspace sharedWorkspace].notificationCenter;
  auto shared = std::make_shared<Handler>(std::move(handler));
  // No queue: the block runs where the workspace posts, which is the main thread.
  impl_->token = [impl_->center addObserverForName:notificationName(event)
                                            object:nil
                                             queue:nil
                                        usingBlock:^(NSNotification* notification) {
                                          // Held here: the handler may end the subscription.
                                          const std::shared_ptr<Handler> keep = shared;
                                          if (*keep) (*keep)(convert(notification));
                                        }];
}

WorkspaceSubscription::~WorkspaceSubscription() = default;

}  // namespace axb::platform
