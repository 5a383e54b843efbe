// Host windows: what is accepted as one, and that the small objects the binding hands to the
// window system live exactly as long as the window system may call them.
#include "platform/window.h"

#import <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include "platform/mac/tracking_options.h"

namespace axb::platform {
namespace {

constexpr TrackingOptions kOptions = TrackingOption::MouseEnteredAndExited |
                                     TrackingOption::ActiveAlways | TrackingOption::InVisibleRect;
constexpr NSTrackingAreaOptions kAppKitOptions =
    NSTrackingMouseEnteredAndExited | NSTrackingActiveAlways | NSTrackingInVisibleRect;

TEST(TrackingOptionsTest, EachOptionIsItsAppKitOption) {
  EXPECT_EQ(mac::appKitTrackingOptions(TrackingOption::MouseEnteredAndExited),
            NSTrackingMouseEnteredAndExited);
  EXPECT_EQ(mac::appKitTrackingOptions(TrackingOption::ActiveAlways), NSTrackingActiveAlways);
  EXPECT_EQ(mac::appKitTrackingOptions(TrackingOption::InVisibleRect), NSTrackingInVisibleRect);
  EXPECT_EQ(mac::appKitTrackingOptions(TrackingOptions()), 0u);
}

struct Recorder final : MouseResponder {
  int entered = 0;
  int exited = 0;
  int downs = 0;
  void mouseEntered() override { ++entered; }
  void mouseExited() override { ++exited; }
  void mouseDown() override { ++downs; }
};

NSEvent* mouseEvent(NSEventType type) {
  return [NSEvent mouseEventWithType:type
                            location:NSZeroPoint
                       modifierFlags:0
                           timestamp:0
                        windowNumber:0
                             context:nil
                         eventNumber:0
                          clickCount:1
                            pressure:1];
}

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { [NSApplication sharedApplication]; }

  void SetUp() override {
    window_ =
        [[NSWindow alloc] initWithContentRect:NSMakeRect(0, 0, 300, 200)
                                    styleMask:NSWindowStyleMaskTitled | NSWindowStyleMaskClosable
                                      backing:NSBackingStoreBuffered
                                        defer:YES];
    window_.releasedWhenClosed = NO;
  }
  void TearDown() override { [window_ close]; }

  HostWindow host() const { return *HostWindow::fromHandle((__bridge void*)window_); }
  NSTrackingArea* installedArea() const {
    for (NSTrackingArea* area in window_.contentView.trackingAreas) {
      if (area.options == kAppKitOptions) return area;
    }
    return nil;
  }

  NSWindow* window_ = nil;
};

TEST_F(WindowTest, WindowsAndViewsInAWindowAreAccepted) {
  EXPECT_FALSE(HostWindow::fromHandle(nullptr));
  NSObject* object = [[NSObject alloc] init];
  EXPECT_FALSE(HostWindow::fromHandle((__bridge void*)object));
  NSView* detached = [[NSView alloc] initWithFrame:NSMakeRect(0, 0, 10, 10)];
  EXPECT_FALSE(HostWindow::fromHandle((__bridge void*)detached));

  const auto first = HostWindow::fromHandle((__bridge void*)window_);
  // Electron's native window handle: the content view, standing for its window.
  const auto second = HostWindow::fromHandle((__bridge void*)window_.contentView);
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(*first == *second);
  EXPECT_TRUE(first->hasContentView());
  EXPECT_EQ(first->contentViewBounds(), (Rect{0, 0, 300, 200}));
}

TEST_F(WindowTest, TheDelegateStandInStaysWhileItIsTheDelegate) {
  EXPECT_FALSE(host().hasDelegate());
  Recorder recorder;
  @autoreleasepool {
    host().setDelegate(&recorder);
  }
  // The window holds its delegate weakly: only the binding keeps the stand-in alive.
  EXPECT_TRUE(host().hasDelegate());
  host().setDelegate(nullptr);
  EXPECT_FALSE(host().hasDelegate());
}

// The library may drop its handle while the view still holds the area: the owner must stay. A
// removed area leaves the view. An enter or exit event queued before the removal keeps the area,
// and so its owner, alive and still reaches the owner: the responder may be gone by then.
TEST_F(WindowTest, TrackingAreaOwnersLiveAsLongAsTheirAreaAndCallNoResponderOnceRemoved) {
  Recorder recorder;
  NSEvent* event = mouseEvent(NSEventTypeLeftMouseDown);  // not looked at
  const auto deliver = [event](id owner) {
    [owner mouseEntered:event];
    [owner mouseExited:event];
    [owner mouseDown:event];
  };
  @autoreleasepool {
    ASSERT_TRUE(host().addTrackingArea({0, 0, 300, 200}, kOptions, &recorder));
  }
  ASSERT_TRUE(installedArea().owner);
  deliver(installedArea().owner);
  [window_.contentView removeTrackingArea:installedArea()];

  const auto area = host().addTrackingArea({0, 0, 300, 200}, kOptions, &recorder);
  ASSERT_TRUE(area);
  id owner = installedArea().owner;  // held as a queued event holds it
  ASSERT_TRUE(owner);
  host().removeTrackingArea(*area);
  EXPECT_FALSE(installedArea());
  deliver(owner);
  EXPECT_EQ(recorder.entered, 1);
  EXPECT_EQ(recorder.exited, 1);
  EXPECT_EQ(recorder.downs, 1);
}

TEST_F(WindowTest, AreasThatWouldNeverReportAreRefused) {
  Recorder recorder;
  EXPECT_FALSE(host().addTrackingArea({0, 0, 10, 10}, TrackingOption::ActiveAlways, &recorder));
  EXPECT_FALSE(
      host().addTrackingArea({0, 0, 10, 10}, TrackingOption::MouseEnteredAndExited, &recorder));
}

TEST_F(WindowTest, CloseIsReportedOnceAndNotAfterTheSubscriptionEnds) {
  int closes = 0;
  const auto subscription = host().onClose([&closes] { ++closes; });
  [window_ orderFront:nil];
  [window_ close];
  [window_ orderFront:nil];  // a window kept after closing can be shown and closed again
  [window_ close];
  EXPECT_EQ(closes, 1);

  int later = 0;
  host().onClose([&later] { ++later; }).reset();
  [window_ orderFront:nil];
  [window_ close];
  EXPECT_EQ(later, 0);
}

TEST_F(WindowTest, MouseDownMonitorsSeeTheHostsMouseDownsUntilDestroyed) {
  int downs = 0;
  auto monitor = std::make_unique<MouseDownMonitor>([&downs] { ++downs; });
  [NSApp sendEvent:mouseEvent(NSEventTypeLeftMouseDown)];
  [NSApp sendEvent:mouseEvent(NSEventTypeRightMouseDown)];
  [NSApp sendEvent:mouseEvent(NSEventTypeLeftMouseUp)];
  EXPECT_EQ(downs, 2);
  monitor.reset();
  [NSApp sendEvent:mouseEvent(NSEventTypeLeftMouseDown)];
  EXPECT_EQ(downs, 2);
}

}  // namespace
}  // namespace axb::platform
