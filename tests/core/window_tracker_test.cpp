// Mouse tracking over the host's window: hover, leave, clicks inside and outside, and trackers
// that live exactly as long as their window.
#include <algorithm>
#include <string>
#include <vector>

#include "bridge/globals.h"
#include "sim_desktop/desktop_state.h"
#include "sim_desktop/host_window_node.h"
#include "support/desktop_fixture.h"

namespace axb::testing {
namespace {

class WindowTrackerTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    addNotesApp();
    initAndStart();
    followApp(kNotes);
    bringHostToFront();
    window = desk().addHostWindow({.id = "panel", .frame = {1000, 100, 300, 200}});
    desk().movePointer({10, 10});
    forgetWhatHappened();
  }
  static void pointAt(Point p) {
    desk().movePointer(p);
    desk().runFor(0.5);
  }
  static void click() {
    desk().mouseDown();
    desk().runFor(0.5);
  }
  static bool inWindow() { return bridge::globals().isInWindow; }
  void* window = nullptr;
};

TEST_F(WindowTrackerTest, EnteringReportsHoverAndLeavingBringsTheUserBack) {
  addMouseTracker(window);
  const auto& areas = sim::hostWindowFromHandle(desk(), window)->areas;
  ASSERT_EQ(areas.size(), 1u);  // hears entering and leaving over the visible view, always
  EXPECT_EQ(areas[0]->options, platform::TrackingOption::MouseEnteredAndExited |
                                   platform::TrackingOption::ActiveAlways |
                                   platform::TrackingOption::InVisibleRect);
  pointAt({1100, 150});
  EXPECT_EQ(names(), std::vector<std::string>{"mouse_hoverd"});
  EXPECT_EQ(received()[0].json, "{}");
  EXPECT_TRUE(inWindow());
  EXPECT_EQ(desk().frontmostPid(), kHost);

  pointAt({10, 10});
  EXPECT_EQ(names(), std::vector<std::string>{"mouse_hoverd"});  // nothing posted on leaving
  EXPECT_FALSE(inWindow());
  EXPECT_EQ(desk().frontmostPid(), kNotes);

  // A quick pass still delivers its hover, and the area follows the window when resized.
  desk().setHostWindowFrame("panel", {1000, 100, 500, 200});
  desk().movePointer({1450, 150});
  desk().runFor(0.05);
  desk().movePointer({10, 10});
  desk().runFor(0.5);
  EXPECT_EQ(names(), (std::vector<std::string>{"mouse_hoverd", "mouse_hoverd"}));
}

// Mouse downs are watched only while a window is; a window tracked later hears clicks again.
TEST_F(WindowTrackerTest, AWindowClosedUnderThePointerReleasesItsTrackersAndLeavesClicksOutside) {
  const auto watching = [] {
    const auto& monitors = desk().state().mouseDownMonitors;
    return std::count_if(monitors.begin(), monitors.end(), [](const auto& weak) {
      const auto monitor = weak.lock();
      return monitor && monitor->alive;
    });
  };
  addMouseTracker(window);
  addMouseTracker(window);
  EXPECT_EQ(watching(), 1);
  pointAt({1100, 150});
  ASSERT_TRUE(inWindow());
  forgetWhatHappened();
  desk().closeHostWindow("panel");  // no leave is reported for a window that is gone
  desk().runUntilIdle();
  EXPECT_EQ(watching(), 0);
  EXPECT_FALSE(inWindow());
  EXPECT_EQ(desk().frontmostPid(), kHost);  // closing is not leaving: nobody is activated
  void* const other = desk().addHostWindow({.id = "other", .frame = {0, 700, 300, 200}});
  addMouseTracker(other);
  EXPECT_EQ(watching(), 1);
  // Events after the close must not reach the freed trackers (the sanitizers watch this).
  pointAt({10, 10});
  click();
  EXPECT_EQ(names(), std::vector<std::string>{"clcicked_outside"});
  EXPECT_EQ(std::count(lines().begin(), lines().end(), "clicked bro"), 1);  // the other's only
}

TEST_F(WindowTrackerTest, AnythingThatIsNotATrackableWindowIsIgnoredAndTheHostsDelegateKept) {
  int notAWindow = 0;
  addMouseTracker(&notAWindow);
  addMouseTracker(nullptr);
  EXPECT_EQ(notAWindow, 0);
  pointAt({1100, 150});
  click();
  void* bare =
      desk().addHostWindow({.id = "bare", .frame = {0, 500, 100, 100}, .contentView = false});
  addMouseTracker(bare);
  EXPECT_EQ(desk().trackingAreaCount("bare"), 0u);
  pointAt({50, 550});
  EXPECT_TRUE(received().empty());
  EXPECT_TRUE(lines().empty());
  EXPECT_FALSE(inWindow());
  // A window whose delegate is the host's own keeps it.
  void* owned =
      desk().addHostWindow({.id = "owned", .frame = {0, 700, 100, 100}, .hostDelegate = true});
  addMouseTracker(owned);
  EXPECT_EQ(sim::hostWindowFromHandle(desk(), owned)->delegate, nullptr);
  addMouseTracker(window);
  EXPECT_NE(sim::hostWindowFromHandle(desk(), window)->delegate, nullptr);
}

}  // namespace
}  // namespace axb::testing
