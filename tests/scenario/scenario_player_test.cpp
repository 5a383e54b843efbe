// Playing a scenario: world actions happen at their time even while the main thread is blocked,
// host calls wait for the main thread, and steps of one instant keep their file order.
#include <string>
#include <vector>

#include "scenario/scenario_fixture.h"
#include "sim_desktop/desktop.h"

namespace axb::testing {
namespace {

nlohmann::json hostCalls() {
  return nlohmann::json::parse(axsim_state_json())["scenario"]["host_calls"];
}

// setText brings Notes forward, waits, then pastes into whatever is focused by then. The user
// focuses the other field during that wait: the paste lands there, so the focus change happened
// on time. The host's own call made meanwhile waits until setText returns. Steps of one instant
// happen in file order.
TEST_F(ScenarioTest, TheWorldActsWhileSetTextBlocksTheMainThreadAndStepsKeepTheirOrder) {
  ASSERT_TRUE(load(withNotes(std::string("[") + kFollowNotes + R"(,
      {"at": 1.0, "do": "setText", "text": "oat"},
      {"at": 1.1, "do": "focus", "element": "field"},
      {"at": 1.1, "do": "isAccessibiltyEnabled"},
      {"at": 3, "do": "isAccessibiltyEnabled"},
      {"at": 3, "do": "set_trusted", "value": false},
      {"at": 3, "do": "isAccessibiltyEnabled"},
      {"at": 4, "do": "set_trusted", "value": true},
      {"at": 4, "do": "showAccessibiltyPermisionPopup"}])")))
      << axsim_last_error();
  ASSERT_EQ(axsim_run(), 1);
  EXPECT_EQ(sim::Desktop::current().text("field"), "oat");
  EXPECT_EQ(sim::Desktop::current().text("body"), "Buy milk");
  const auto calls = hostCalls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_GE(calls[0]["t"].get<double>(), 2.2);
  std::vector<bool> results;
  for (const auto& call : calls) results.push_back(call["result"]);
  EXPECT_EQ(results, (std::vector<bool>{true, true, false, true}));
  EXPECT_EQ(calls[3]["call"], "showAccessibiltyPermisionPopup");
  EXPECT_DOUBLE_EQ(calls[1]["t"].get<double>(), 3.0);
}

}  // namespace
}  // namespace axb::testing
