// The host's windows: tracking areas and close subscriptions.
#include <string>
#include <utility>
#include <vector>

#include "platform/window.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

using platform::HostWindow;

struct LoggingResponder final : platform::MouseResponder {
  explicit LoggingResponder(std::vector<std::string>& log, std::string name)
      : log(log), name(std::move(name)) {}
  void mouseEntered() override { log.push_back(name + " entered"); }
  void mouseExited() override { log.push_back(name + " exited"); }
  void mouseDown() override { log.push_back(name + " down"); }
  std::vector<std::string>& log;
  std::string name;
};

using Log = std::vector<std::string>;
using platform::TrackingOption;
constexpr platform::TrackingOptions kFollowView = TrackingOption::MouseEnteredAndExited |
                                                  TrackingOption::ActiveAlways |
                                                  TrackingOption::InVisibleRect;

class SimHostWindowTest : public SimDesktopTest {
 protected:
  HostWindow window(const std::string& id, Rect frame) {
    return *HostWindow::fromHandle(desktop().addHostWindow({id, frame}));
  }
  Log log;
};

TEST_F(SimHostWindowTest, AreasReportEnteringAndLeavingOnTheMainThread) {
  const auto left = window("left", {0, 0, 100, 100});
  const auto right = window("right", {100, 0, 100, 100});
  LoggingResponder a(log, "left"), b(log, "right");
  ASSERT_TRUE(left.addTrackingArea(left.contentViewBounds(), kFollowView, &a));
  ASSERT_TRUE(right.addTrackingArea(right.contentViewBounds(), kFollowView, &b));

  desktop().movePointer({50, 50});
  EXPECT_TRUE(log.empty());
  desktop().runUntilIdle(RunLoopMode::EventTracking);
  desktop().movePointer({150, 50});
  desktop().movePointer({150, 60});  // still inside: nothing new
  desktop().movePointer({300, 50});
  desktop().runUntilIdle();
  EXPECT_EQ(log, (Log{"left entered", "left exited", "right entered", "right exited"}));
}

TEST_F(SimHostWindowTest, AnAreaInTheVisibleRectFollowsTheWindowOthersKeepTheirRectangle) {
  const auto main = window("main", {100, 100, 200, 100});
  LoggingResponder follows(log, "follows"), fixed(log, "fixed");
  main.addTrackingArea({}, kFollowView, &follows);
  main.addTrackingArea(
      {0, 0, 10, 10}, TrackingOption::MouseEnteredAndExited | TrackingOption::ActiveAlways, &fixed);
  desktop().setHostWindowFrame("main", {100, 100, 400, 300});
  desktop().movePointer({105, 105});
  desktop().movePointer({450, 350});
  desktop().runUntilIdle();
  EXPECT_EQ(log, (Log{"follows entered", "fixed entered", "fixed exited"}));
}

TEST_F(SimHostWindowTest, AreasThatAreNotAlwaysActiveWaitForTheHostToBeInFront) {
  desktop().addApplication({desktop().hostProcess(), "com.example.host", "Host", true});
  addEditor();
  desktop().activate(kEditorPid);
  const auto main = window("main", {0, 0, 100, 100});
  LoggingResponder responder(log, "main");
  main.addTrackingArea({}, TrackingOption::MouseEnteredAndExited | TrackingOption::InVisibleRect,
                       &responder);
  desktop().movePointer({50, 50});
  desktop().runUntilIdle();
  EXPECT_TRUE(log.empty());
  desktop().activate(desktop().hostProcess());
  desktop().movePointer({60, 60});
  desktop().runUntilIdle();
  EXPECT_EQ(log, (Log{"main entered"}));
}

TEST_F(SimHostWindowTest, ARemovedAreaReachesNobodyEvenWithAnEventUnderWay) {
  const auto main = window("main", {0, 0, 100, 100});
  LoggingResponder responder(log, "main");
  const auto area = main.addTrackingArea({}, kFollowView, &responder);
  EXPECT_EQ(desktop().trackingAreaCount("main"), 1u);
  desktop().movePointer({50, 50});
  main.removeTrackingArea(*area);
  desktop().runUntilIdle();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(desktop().trackingAreaCount("main"), 0u);
}

TEST_F(SimHostWindowTest, HandlesDelegatesAndContentViews) {
  EXPECT_FALSE(HostWindow::fromHandle(nullptr));
  int notAWindow = 0;
  EXPECT_FALSE(HostWindow::fromHandle(&notAWindow));

  void* handle = desktop().addHostWindow({"main", {0, 0, 300, 200}});
  EXPECT_EQ(HostWindow::fromHandle(handle), HostWindow::fromHandle(handle));
  const auto main = *HostWindow::fromHandle(handle);
  EXPECT_EQ(main.contentViewBounds(), (Rect{0, 0, 300, 200}));
  EXPECT_FALSE(main.hasDelegate());
  LoggingResponder responder(log, "main");
  main.setDelegate(&responder);
  EXPECT_TRUE(main.hasDelegate());

  const auto hosts = *HostWindow::fromHandle(
      desktop().addHostWindow({"bare", {0, 0, 10, 10}, false, /*hostDelegate=*/true}));
  EXPECT_TRUE(hosts.hasDelegate());
  EXPECT_FALSE(hosts.hasContentView());
  EXPECT_EQ(hosts.contentViewBounds(), Rect{});
  EXPECT_FALSE(hosts.addTrackingArea({0, 0, 5, 5}, kFollowView, &responder));
}

TEST_F(SimHostWindowTest, ClosingNotifiesOnceAndTheHandleStopsBeingAWindow) {
  void* handle = desktop().addHostWindow({"main", {0, 0, 100, 100}});
  const auto main = *HostWindow::fromHandle(handle);
  int closed = 0;
  auto subscription = main.onClose([&] { ++closed; });
  auto withdrawn = main.onClose([&] { ADD_FAILURE() << "withdrawn subscription called"; });
  withdrawn.reset();
  desktop().closeHostWindow("main");
  desktop().closeHostWindow("main");
  EXPECT_FALSE(HostWindow::fromHandle(handle));
  EXPECT_EQ(closed, 0);
  desktop().runUntilIdle();
  EXPECT_EQ(closed, 1);
}

}  // namespace
}  // namespace axb::sim::testing
