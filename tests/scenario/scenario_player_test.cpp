// Playing a scenario: world actions happen at their time even while the main thread is blocked,
// host calls wait for the main thread, steps of one instant keep their file order, and a run ends
// with nothing pending.
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

TEST_F(ScenarioTest, ARunEndsWhenTheLastDeliveryIsDone) {
  ASSERT_TRUE(
      load(withNotes(std::string("[") + kFollowNotes +
                     R"(, {"at": 3, "do": "select", "element": "body", "range": [0, 3]}])")));
  EXPECT_EQ(axsim_now(), 0);
  ASSERT_EQ(axsim_run(), 1);
  ASSERT_FALSE(events().empty());
  EXPECT_EQ(events().back().name, "text_select");
  EXPECT_GT(events().back().time, 3.0);  // delivered after the script's last step
  EXPECT_FALSE(sim::Desktop::current().hasPendingWork());
  EXPECT_DOUBLE_EQ(axsim_now(), events().back().time);
  // Played once: a second run has nothing left to do.
  ASSERT_EQ(axsim_run(), 1);
  EXPECT_EQ(events().size(), 2u);
}

TEST_F(ScenarioTest, AFieldThatSelectsAllOnFocusReportsItsWholeTextAsTheSelection) {
  std::string notes = notesApplication();
  const std::string field = R"("id": "field", )";
  notes.insert(notes.find(field) + field.size(), R"("selects_all_on_focus": true, )");
  notes.replace(notes.find(R"("text": "")"), 10, R"("text": "Buy oat milk")");
  ASSERT_TRUE(load(R"({"applications": [)" + notes + R"(], "timeline": [)" + kFollowNotes +
                   R"(, {"at": 1.5, "do": "focus", "element": "field"}]})"))
      << axsim_last_error();
  ASSERT_EQ(axsim_run(), 1);
  ASSERT_FALSE(events().empty());
  EXPECT_EQ(events().back().name, "text_select");
  EXPECT_EQ(nlohmann::json::parse(events().back().json)["selected_text"], "Buy oat milk");
}

}  // namespace
}  // namespace axb::testing
