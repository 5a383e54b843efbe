// Running applications and the shared workspace's notifications about them, as workspace
// events.
#include "platform/workspace.h"

#import <AppKit/AppKit.h>
#import <objc/message.h>
#include <unistd.h>

#include "platform/mac/callout.h"
#include "platform/mac/cf_string.h"

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

NSNotificationName notificationName(WorkspaceEventKind kind) {
  switch (kind) {
    case WorkspaceEventKind::ApplicationActivated:
      return NSWorkspaceDidActivateApplicationNotification;
    case WorkspaceEventKind::ApplicationLaunched:
      return NSWorkspaceDidLaunchApplicationNotification;
    case WorkspaceEventKind::ApplicationTerminated:
      return NSWorkspaceDidTerminateApplicationNotification;
  }
  return NSWorkspaceDidActivateApplicationNotification;
}

// The application under NSWorkspaceApplicationKey, when the user information holds one there: any
// process may post to the workspace's center, with anything or nothing under that key.
WorkspaceEvent convert(WorkspaceEventKind kind, NSNotification* notification) {
  id application = notification.userInfo[NSWorkspaceApplicationKey];
  if (![application isKindOfClass:[NSRunningApplication class]]) return WorkspaceEvent{kind, {}};
  return WorkspaceEvent{kind, wrapApplication(application)};
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

// Since macOS 14 activation is cooperative: an application is brought forward only when the
// active one yields to it, so the host yields first when it is the one in front (the user has
// just used it). Sent by name: the method is newer than the deployment target.
bool RunningApplication::activate() const {
  NSRunningApplication* application = impl_->application;
  const SEL yield = NSSelectorFromString(@"yieldActivationToApplication:");
  if ([NSRunningApplication currentApplication].active && [NSApp respondsToSelector:yield]) {
    reinterpret_cast<void (*)(id, SEL, NSRunningApplication*)>(objc_msgSend)(NSApp, yield,
                                                                             application);
  }
  return [application activateWithOptions:static_cast<NSApplicationActivationOptions>(0)];
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

WorkspaceSubscription::WorkspaceSubscription(WorkspaceEventKind kind, Handler handler)
    : impl_(std::make_unique<Impl>()) {
  impl_->center = [NSWorkspace sharedWorkspace].notificationCenter;
  auto shared = std::make_shared<Handler>(std::move(handler));
  // No queue: the block runs where the workspace posts, which is the main thread.
  impl_->token = [impl_->center addObserverForName:notificationName(kind)
                                            object:nil
                                             queue:nil
                                        usingBlock:^(NSNotification* notification) {
                                          mac::runCallout([&] {
                                            // Held here: the handler may end the subscription.
                                            const std::shared_ptr<Handler> keep = shared;
                                            if (*keep) (*keep)(convert(kind, notification));
                                          });
                                        }];
}

WorkspaceSubscription::~WorkspaceSubscription() = default;

}  // namespace axb::platform
