// The host's own windows opened through the control surface, for addMouseTracker, and the
// library's diagnostic lines handed to a callback of the host's.
#include <limits>
#include <string>
#include <vector>

#include "axbridge/axbridge.h"
#include "axbridge/sim.h"
#include "sim_desktop/desktop.h"
#include "sim_host/host_fixture.h"

namespace axb::testing {
namespace {

// Notes in front and followed; the pointer, over Notes, moves right at 1.0 s.
std::string pointerMovesTo(const std::string& where, const std::string& hostWindows = "[]") {
  return R"({"applications": [)" + notesApplication() + R"(], "host_windows": )" + hostWindows +
         R"(, "pointer": [500, 400], "timeline": [
           {"at": 0.5, "do": "activate", "pid": 501},
           {"at": 1.0, "do": "move_pointer", "to": )" +
         where + "}]}";
}

// A window added through the control surface, or declared by the scenario, is watched through
// its handle.
TEST_F(HostDrivenTest, AHostWindowIsWatchedThroughItsHandle) {
  for (const bool declared : {false, true}) {
    ASSERT_TRUE(load(pointerMovesTo(
        "[1000, 300]",
        declared ? R"([{"id": "assistant", "frame": [940, 100, 360, 600]}])" : "[]")))
        << axsim_last_error();
    void* const window = declared ? axsim_host_window("assistant")
                                  : axsim_add_host_window("assistant", 940, 100, 360, 600);
    ASSERT_NE(window, nullptr) << axsim_last_error();
    EXPECT_EQ(axsim_host_window("assistant"), window);
    startLibrary();
    addMouseTracker(window);
    ASSERT_EQ(axsim_run_for(2), 1) << axsim_last_error();
    EXPECT_EQ(eventNames(), (std::vector<std::string>{"app_changed", "mouse_hoverd"}));
    EXPECT_EQ(sim::Desktop::current().trackingAreaCount("assistant"), 1u);
    events().clear();
  }
}

TEST_F(HostDrivenTest, AWindowThatIsNotThereHasNoHandleAndABadOneIsRefused) {
  EXPECT_EQ(axsim_host_window("assistant"), nullptr);
  EXPECT_NE(std::string(axsim_last_error()), "");
  EXPECT_EQ(axsim_host_window(nullptr), nullptr);

  ASSERT_TRUE(load(R"({"host_windows": [{"id": "assistant", "frame": [0, 0, 10, 10]}],
    "timeline": [{"at": 1, "do": "close_host_window", "window": "assistant"}]})"));
  EXPECT_NE(axsim_host_window("assistant"), nullptr);
  ASSERT_EQ(axsim_run_for(2), 1);
  EXPECT_EQ(axsim_host_window("assistant"), nullptr);
  // Its id is free again.
  void* const reopened = axsim_add_host_window("assistant", 0, 0, 10, 10);
  EXPECT_NE(reopened, nullptr) << axsim_last_error();
  EXPECT_EQ(axsim_host_window("assistant"), reopened);

  // Bad windows are refused with a reason.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ASSERT_NE(axsim_add_host_window("open", 0, 0, 10, 10), nullptr);
  struct Case {
    const char* id;
    double x, y, width, height;
  };
  for (const Case& c :
       std::vector<Case>{{nullptr, 0, 0, 1, 1}, {"open", 0, 0, 1, 1}, {"a", nan, 0, 1, 1}}) {
    SCOPED_TRACE(c.id ? c.id : "(null)");
    EXPECT_EQ(axsim_add_host_window(c.id, c.x, c.y, c.width, c.height), nullptr);
    EXPECT_NE(std::string(axsim_last_error()).find("axsim_add_host_window: "), std::string::npos);
  }
  EXPECT_EQ(axsim_host_window("a"), nullptr);
}

std::vector<std::string>& linesSeen() {
  static std::vector<std::string> lines;
  return lines;
}
void collectLine(const char* line) {
  linesSeen().emplace_back(line);
}

class DiagnosticCallbackTest : public HostDrivenTest {
 protected:
  void SetUp() override {
    HostDrivenTest::SetUp();
    linesSeen().clear();
  }
  void TearDown() override {
    axsim_set_diagnostic_callback(nullptr);
    HostDrivenTest::TearDown();
  }
};

int resetFromLine = -1;
std::string resetFromLineMessage;
void resetOnLine(const char*) {
  resetFromLine = axsim_reset();
  resetFromLineMessage = axsim_last_error();
  EXPECT_EQ(axsim_load_scenario("{}"), 0);
  EXPECT_EQ(axsim_run_for(1), 0);
}

TEST_F(DiagnosticCallbackTest, TheLibrarysLinesReachTheCallbackWhichCannotResetTheDesktop) {
  ASSERT_TRUE(load(pointerMovesTo("[600, 400]")));
  axsim_set_diagnostic_callback(&resetOnLine);
  startLibrary();  // prints "Accessibility is enabled"
  EXPECT_EQ(resetFromLine, 0);
  EXPECT_NE(resetFromLineMessage.find("diagnostic callback"), std::string::npos);
  EXPECT_TRUE(sim::Desktop::current().hasElement("body"));
  axsim_set_diagnostic_callback(&collectLine);
  ASSERT_EQ(axsim_run_for(1), 1) << axsim_last_error();
  EXPECT_EQ(eventNames(), std::vector<std::string>{"app_changed"});
  focusPreiov();
  EXPECT_EQ(linesSeen(), std::vector<std::string>{"hello"});

  ASSERT_EQ(axsim_reset(), 1);
  ASSERT_TRUE(load(R"({"timeline": [{"at": 0, "do": "initMacAccessibility"},
    {"at": 0.1, "do": "start", "blocked_text": "not json"}]})"));
  ASSERT_EQ(axsim_run(), 1);
  ASSERT_EQ(linesSeen().size(), 3u);
  EXPECT_EQ(linesSeen()[1], "Accessibility is enabled");
  EXPECT_EQ(linesSeen()[2].rfind("Error deserializing JSON: ", 0), 0u);
  // The same lines the desktop records, in the same order.
  EXPECT_EQ(sim::Desktop::current().diagnosticLines(),
            std::vector<std::string>(linesSeen().begin() + 1, linesSeen().end()));

  axsim_set_diagnostic_callback(nullptr);
  focusPreiov();
  EXPECT_EQ(linesSeen().size(), 3u);
}

}  // namespace
}  // namespace axb::testing
