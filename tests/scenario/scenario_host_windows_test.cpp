// Scenarios with the host's own windows and the pointer: the loader checks them like the rest of
// a scenario.
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

TEST_F(ScenarioTest, HostWindowsThePointerAndMouseStepsAreCheckedFieldByField) {
  expectRefusals({
      {withAssistant("[]", R"([{"id": "a"}])"), "host_windows[0]: missing key \"frame\""},
      {withAssistant("[]",
                     R"([{"id": "a", "frame": [0, 0, 1, 1]}, {"id": "a", "frame": [0, 0, 1, 1]}])"),
       "host_windows[1].id: host window \"a\" is already declared"},
      {withAssistant("[]", R"([{"id": "a", "frame": [0, 0, -5, 1]}])"),
       "host_windows[0].frame[2]: must be between 0"},
      {R"({"pointer": [1e300, 0]})", "pointer[0]: must be between"},
      // Mouse steps, against the script so far.
      {trackAssistantThen(R"({"at": 1, "do": "move_pointer", "to": [1, "2"]})"),
       "timeline[4].to[1]: must be a number"},
      {trackAssistantThen(R"({"at": 1, "do": "resize_host_window", "window": "notes-window",
                              "frame": [0, 0, 1, 1]})"),
       "timeline[4].window: no host window \"notes-window\""},
      {trackAssistantThen(R"({"at": 1, "do": "close_host_window", "window": "assistant"},
                             {"at": 2, "do": "addMouseTracker", "window": "assistant"})"),
       "timeline[5].window: host window \"assistant\" was closed at timeline[4]"},
      {trackAssistantThen(R"({"at": 1, "do": "addMouseTracker", "handle": "0xdeadbeef"})"),
       "timeline[4].handle: must be \"null\" or \"not_a_window\""},
  });
}

}  // namespace
}  // namespace axb::testing
