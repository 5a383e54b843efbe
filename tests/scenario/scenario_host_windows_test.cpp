// Scenarios with the host's own windows and the pointer: the loader checks them like the rest of
// a scenario, and playing one drives the library's window trackers through the axsim_ calls.
#include <string>
#include <vector>

#include "scenario/scenario_fixture.h"

namespace axb::testing {
namespace {

// Notes (followed once activated), the host Quorvalent, and the host's assistant window to the
// right of Notes' window, with the pointer over Notes.
std::string withAssistant(const std::string& timeline, const std::string& windows =
                                                           R"([{"id": "assistant",
                                                               "frame": [940, 100, 360, 600]}])") {
  return R"({"host_pid": 4242, "applications": [)" + notesApplication() +
         R"(, {"pid": 4242, "name": "Quorvalent"}], "host_windows": )" + windows +
         R"(, "pointer": [500, 400], "timeline": )" + timeline + "}";
}

constexpr char kTrackAssistant[] =
    R"({"at": 0, "do": "initMacAccessibility"}, {"at": 0.1, "do": "start"},
       {"at": 0.2, "do": "addMouseTracker", "window": "assistant"},
       {"at": 0.5, "do": "activate", "pid": 501})";

std::string trackAssistantThen(const std::string& steps) {
  return withAssistant(std::string("[") + kTrackAssistant + ", " + steps + "]");
}

TEST_F(ScenarioTest, HostWindowsAndThePointerAreCheckedFieldByField) {
  expectRefusals({
      {withAssistant("[]", R"({"id": "a"})"), "host_windows: must be an array"},
      {withAssistant("[]", R"([{"frame": [0, 0, 1, 1]}])"), "host_windows[0]: missing key \"id\""},
      {withAssistant("[]", R"([{"id": "a"}])"), "host_windows[0]: missing key \"frame\""},
      {withAssistant("[]", R"([{"id": "", "frame": [0, 0, 1, 1]}])"),
       "host_windows[0].id: must not be empty"},
      {withAssistant("[]",
                     R"([{"id": "a", "frame": [0, 0, 1, 1]}, {"id": "a", "frame": [0, 0, 1, 1]}])"),
       "host_windows[1].id: host window \"a\" is already declared"},
      {withAssistant("[]", R"([{"id": "a", "frame": [0, 0, 1]}])"),
       "host_windows[0].frame: must be [x, y, width, height]"},
      {withAssistant("[]", R"([{"id": "a", "frame": [0, 0, -5, 1]}])"),
       "host_windows[0].frame[2]: must be between 0"},
      {withAssistant("[]", R"([{"id": "a", "frame": [0, 0, 1, 1], "content_view": "yes"}])"),
       "host_windows[0].content_view: must be true or false"},
      {withAssistant("[]", R"([{"id": "a", "frame": [0, 0, 1, 1], "delegate": true}])"),
       "host_windows[0]: unknown key \"delegate\""},
      {R"({"pointer": [1, 2, 3]})", "pointer: must be [x, y]"},
      {R"({"pointer": [1e300, 0]})", "pointer[0]: must be between"},
  });
}

TEST_F(ScenarioTest, MouseStepsAreCheckedAgainstTheScriptSoFar) {
  expectRefusals({
      {trackAssistantThen(R"({"at": 1, "do": "move_pointer"})"), "timeline[4]: missing key \"to\""},
      {trackAssistantThen(R"({"at": 1, "do": "move_pointer", "to": [1, "2"]})"),
       "timeline[4].to[1]: must be a number"},
      {trackAssistantThen(R"({"at": 1, "do": "mouse_down", "button": "left"})"),
       "timeline[4]: unknown key \"button\""},
      {trackAssistantThen(R"({"at": 1, "do": "resize_host_window", "window": "notes-window",
                              "frame": [0, 0, 1, 1]})"),
       "timeline[4].window: no host window \"notes-window\""},
      {trackAssistantThen(R"({"at": 1, "do": "resize_host_window", "window": "assistant"})"),
       "timeline[4]: missing key \"frame\""},
      {trackAssistantThen(R"({"at": 1, "do": "close_host_window", "window": "assistant"},
                             {"at": 2, "do": "close_host_window", "window": "assistant"})"),
       "timeline[5].window: host window \"assistant\" was closed at timeline[4]"},
      {trackAssistantThen(R"({"at": 1, "do": "close_host_window", "window": "assistant"},
                             {"at": 2, "do": "addMouseTracker", "window": "assistant"})"),
       "timeline[5].window: host window \"assistant\" was closed at timeline[4]"},
      {trackAssistantThen(R"({"at": 1, "do": "addMouseTracker"})"),
       "timeline[4]: needs \"window\" (a host window id) or \"handle\""},
      {trackAssistantThen(
           R"({"at": 1, "do": "addMouseTracker", "window": "assistant", "handle": "null"})"),
       "timeline[4]: takes only one of \"window\" and \"handle\""},
      {trackAssistantThen(R"({"at": 1, "do": "addMouseTracker", "handle": "0xdeadbeef"})"),
       "timeline[4].handle: must be \"null\" or \"not_a_window\""},
  });
}

TEST_F(ScenarioTest, APointerThatStartsInsideEntersOnlyAtItsFirstMove) {
  // The starting position is part of the desktop, not a move: an area added over it reports
  // entering when the pointer next moves.
  ASSERT_TRUE(load(withAssistant(std::string("[") + kTrackAssistant + R"(,
      {"at": 1.0, "do": "move_pointer", "to": [1001, 301]}])",
                                 R"([{"id": "assistant", "frame": [400, 300, 200, 200]}])")))
      << axsim_last_error();
  ASSERT_EQ(axsim_run(), 1);
  ASSERT_EQ(eventNames(), (std::vector<std::string>{"app_changed"}));

  events().clear();
  ASSERT_TRUE(load(withAssistant(std::string("[") + kTrackAssistant + R"(,
      {"at": 1.0, "do": "move_pointer", "to": [501, 401]}])",
                                 R"([{"id": "assistant", "frame": [400, 300, 200, 200]}])")));
  ASSERT_EQ(axsim_run(), 1);
  EXPECT_EQ(eventNames(), (std::vector<std::string>{"app_changed", "mouse_hoverd"}));
}

TEST_F(ScenarioTest, ResizingAndClosingTheHostWindowReachTheDesktop) {
  ASSERT_TRUE(load(trackAssistantThen(R"(
      {"at": 1.0, "do": "resize_host_window", "window": "assistant", "frame": [400, 100, 900, 600]},
      {"at": 1.5, "do": "move_pointer", "to": [500, 300]},
      {"at": 2.0, "do": "close_host_window", "window": "assistant"},
      {"at": 2.5, "do": "move_pointer", "to": [50, 50]},
      {"at": 3.0, "do": "mouse_down"})")))
      << axsim_last_error();
  ASSERT_EQ(axsim_run(), 1);
  // The area follows the resized window; once it is closed its tracker hears nothing more.
  EXPECT_EQ(eventNames(), (std::vector<std::string>{"app_changed", "mouse_hoverd"}));
  const auto window = state()["host_windows"][0];
  EXPECT_EQ(window["frame"]["x"], 400.0);
  EXPECT_EQ(window["frame"]["width"], 900.0);
  EXPECT_TRUE(window["closed"].get<bool>());
  EXPECT_TRUE(state()["scenario"]["problems"].empty());
}

TEST_F(ScenarioTest, HandlesThatAreNotWindowsAreIgnored) {
  ASSERT_TRUE(load(withAssistant(R"([{"at": 0, "do": "initMacAccessibility"},
      {"at": 0.1, "do": "start"},
      {"at": 0.2, "do": "addMouseTracker", "handle": "null"},
      {"at": 0.2, "do": "addMouseTracker", "handle": "not_a_window"},
      {"at": 0.5, "do": "activate", "pid": 501},
      {"at": 1.0, "do": "move_pointer", "to": [1000, 300]},
      {"at": 1.5, "do": "mouse_down"}])")))
      << axsim_last_error();
  ASSERT_EQ(axsim_run(), 1);
  EXPECT_EQ(eventNames(), (std::vector<std::string>{"app_changed"}));
  const auto window = state()["host_windows"][0];
  EXPECT_EQ(window["tracking_areas"], 0);
  EXPECT_FALSE(window["has_delegate"].get<bool>());
  EXPECT_TRUE(state()["scenario"]["problems"].empty());
}

}  // namespace
}  // namespace axb::testing
