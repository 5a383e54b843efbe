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

}  // namespace
}  // namespace axb::sim::testing
