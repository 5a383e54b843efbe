// The host's windows, tracking areas in their content views, and mouse-down monitors.
//
// The window system only points at what it is given (a window's delegate is weak, a tracking
// area does not retain its owner), so the small objects made here are kept alive by
// associating them with the window or the area they serve.
#include "platform/window.h"

#import <AppKit/AppKit.h>
#import <objc/runtime.h>

#include "platform/mac/callout.h"
#include "platform/mac/class_names.h"
#include "platform/mac/tracking_options.h"

namespace axb::platform {
namespace {

char kDelegateKey;  // the window's delegate stand-in
char kOwnerKey;     // a tracking area's owner

}  // namespace
}  // namespace axb::platform

// Stands in as the delegate of a host window that has none; it answers no delegate method.
@interface AXBridgeWindowDelegate : NSObject <NSWindowDelegate>
@end

@implementation AXBridgeWindowDelegate
@end

// Owner of a tracking area: hands the mouse events on to the library's responder until the
// area is removed. The area keeps its owner alive, and an enter or exit event already queued
// keeps the area alive, so such a late event must find no responder to call.
@interface AXBridgeTrackingOwner : NSResponder
- (instancetype)initWithResponder:(axb::platform::MouseResponder*)responder;
- (void)forgetResponder;
@end

@implementation AXBridgeTrackingOwner {
  axb::platform::MouseResponder* _responder;  // not owned
}

- (instancetype)initWithResponder:(axb::platform::MouseResponder*)responder {
  if ((self = [super init])) _responder = responder;
  return self;
}

- (void)forgetResponder {
  _responder = nullptr;
}

- (void)mouseEntered:(NSEvent*)event {
  axb::platform::mac::runCallout([&] {
    if (_responder) _responder->mouseEntered();
  });
}

- (void)mouseExited:(NSEvent*)event {
  axb::platform::mac::runCallout([&] {
    if (_responder) _responder->mouseExited();
  });
}

- (void)mouseDown:(NSEvent*)event {
  axb::platform::mac::runCallout([&] {
    if (_responder) _responder->mouseDown();
  });
}

@end

namespace axb::platform {

struct HostWindow::Impl {
  NSWindow* window;  // never nil; held until the last copy goes
};

struct TrackingArea::Impl {
  NSTrackingArea* area;
  NSView* view;                  // the view the area was added to
  AXBridgeTrackingOwner* owner;  // the area's owner, also associated with the area
};

struct WindowCloseSubscription::Impl {
  id token;

  ~Impl() {
    if (token) [[NSNotificationCenter defaultCenter] removeObserver:token];
  }
};

struct MouseDownMonitor::Impl {
  id local;
  id global;

  ~Impl() {
    if (local) [NSEvent removeMonitor:local];
    if (global) [NSEvent removeMonitor:global];
  }
};

// The handle must be a pointer to an Objective-C object (or null): the check that it is a
// window has to send it a message. A view stands for the window it is in (Electron's native
// window handle is its window's content view).
std::optional<HostWindow> HostWindow::fromHandle(void* handle) {
  if (!handle) return std::nullopt;
  id object = (__bridge id)handle;
  NSWindow* window = nil;
  if ([object isKindOfClass:[NSWindow class]]) {
    window = object;
  } else if ([object isKindOfClass:[NSView class]]) {
    window = static_cast<NSView*>(object).window;
  }
  if (!window) return std::nullopt;
  return HostWindow(std::make_shared<Impl>(Impl{window}));
}

bool HostWindow::hasContentView() const {
  return impl_->window.contentView != nil;
}

Rect HostWindow::contentViewBounds() const {
  NSView* view = impl_->window.contentView;
  if (!view) return Rect{};
  const NSRect bounds = view.bounds;
  return Rect{bounds.origin.x, bounds.origin.y, bounds.size.width, bounds.size.height};
}

bool HostWindow::hasDelegate() const {
  return impl_->window.delegate != nil;
}

void HostWindow::setDelegate(MouseResponder* delegate) const {
  NSWindow* window = impl_->window;
  AXBridgeWindowDelegate* standIn = delegate ? [[AXBridgeWindowDelegate alloc] init] : nil;
  // Replaced first, released after: the window never points at a released stand-in.
  window.delegate = standIn;
  objc_setAssociatedObject(window, &kDelegateKey, standIn, OBJC_ASSOCIATION_RETAIN_NONATOMIC);
}

std::optional<TrackingArea> HostWindow::addTrackingArea(Rect rect, TrackingOptions options,
                                                        MouseResponder* owner) const {
  NSView* view = impl_->window.contentView;
  if (!view) return std::nullopt;
  const NSTrackingAreaOptions appKitOptions = mac::appKitTrackingOptions(options);
  // An area must report something and be active at some time; anything else is refused here
  // rather than handed to the platform.
  const NSTrackingAreaOptions kTypes =
      NSTrackingMouseEnteredAndExited | NSTrackingMouseMoved | NSTrackingCursorUpdate;
  const NSTrackingAreaOptions kActivities = NSTrackingActiveWhenFirstResponder |
                                            NSTrackingActiveInKeyWindow |
                                            NSTrackingActiveInActiveApp | NSTrackingActiveAlways;
  if (!(appKitOptions & kTypes) || !(appKitOptions & kActivities)) return std::nullopt;
  AXBridgeTrackingOwner* shim = [[AXBridgeTrackingOwner alloc] initWithResponder:owner];
  NSTrackingArea* area =
      [[NSTrackingArea alloc] initWithRect:NSMakeRect(rect.x, rect.y, rect.width, rect.height)
                                   options:appKitOptions
                                     owner:shim
                                  userInfo:nil];
  // The owner lives as long as the area, which the view may hold longer than the library.
  objc_setAssociatedObject(area, &kOwnerKey, shim, OBJC_ASSOCIATION_RETAIN_NONATOMIC);
  [view addTrackingArea:area];
  return TrackingArea(std::make_shared<TrackingArea::Impl>(TrackingArea::Impl{area, view, shim}));
}

void HostWindow::removeTrackingArea(const TrackingArea& area) const {
  const auto& impl = area.impl();
  if (!impl) return;
  [impl->view removeTrackingArea:impl->area];
  // The responder may be destroyed as soon as this returns.
  [impl->owner forgetResponder];
}

std::unique_ptr<WindowCloseSubscription> HostWindow::onClose(std::function<void()> handler) const {
  struct Pending {
    std::function<void()> handler;
    bool fired = false;
  };
  auto pending = std::make_shared<Pending>(Pending{std::move(handler)});
  auto impl = std::make_unique<WindowCloseSubscription::Impl>();
  impl->token = [[NSNotificationCenter defaultCenter]
      addObserverForName:NSWindowWillCloseNotification
                  object:impl_->window
                   queue:nil
              usingBlock:^(NSNotification*) {
                mac::runCallout([&] {
                  // Held here: the handler may end the subscription.
                  const std::shared_ptr<Pending> keep = pending;
                  if (keep->fired) return;  // a window can be closed again after reopening
                  keep->fired = true;
                  if (keep->handler) keep->handler();
                });
              }];
  return std::make_unique<WindowCloseSubscription>(std::move(impl));
}

bool HostWindow::operator==(const HostWindow& other) const {
  return impl_->window == other.impl_->window;
}

WindowCloseSubscription::WindowCloseSubscription(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}
WindowCloseSubscription::~WindowCloseSubscription() = default;

MouseDownMonitor::MouseDownMonitor(std::function<void()> handler)
    : impl_(std::make_unique<Impl>()) {
  auto shared = std::make_shared<std::function<void()>>(std::move(handler));
  const NSEventMask mask = NSEventMaskLeftMouseDown | NSEventMaskRightMouseDown;
  // In the host's own windows; the event goes on to its window unchanged.
  impl_->local = [NSEvent addLocalMonitorForEventsMatchingMask:mask
                                                       handler:^NSEvent*(NSEvent* event) {
                                                         mac::runCallout([&] {
                                                           const auto keep = shared;
                                                           if (*keep) (*keep)();
                                                         });
                                                         return event;
                                                       }];
  // In every other application.
  impl_->global = [NSEvent addGlobalMonitorForEventsMatchingMask:mask
                                                         handler:^(NSEvent*) {
                                                           mac::runCallout([&] {
                                                             const auto keep = shared;
                                                             if (*keep) (*keep)();
                                                           });
                                                         }];
}

MouseDownMonitor::~MouseDownMonitor() = default;

}  // namespace axb::platform
