// The scenario loader refuses every malformed scenario with a message that names the offending
// value, and leaves nothing behind when it does.
#include <string>

#include "scenario/scenario_fixture.h"
#include "sim_desktop/desktop.h"

namespace axb::testing {
namespace {

std::string app(const std::string& elements, const std::string& extra = "") {
  return R"({"applications": [{"pid": 501, "elements": [)" + elements + "]" + extra + "}]}";
}

TEST_F(ScenarioTest, TextThatIsNotAScenarioObjectAndBadApplicationsAreRefused) {
  expectRefusals({
      {"", "not valid JSON"},
      {"[]", "top level: must be an object, not an array"},
      {std::string(200, '[') + std::string(200, ']'), "nesting deeper than 64 levels"},
      {R"({"trusted": "yes"})", "trusted: must be true or false, not a string"},
      {R"({"applications": [{"pid": 0}]})", "applications[0].pid: must be between 1 and"},
      {R"({"applications": [{"pid": 1e400}]})", "not valid JSON: number overflow"},
      {R"({"applications": [{"pid": 5}, {"pid": 5}]})",
       "applications[1].pid: pid 5 is already used"},
      {R"({"applications": [{"pid": 5, "elements": [{"id": "a"}]}, {"pid": 6, "focused": "a"}]})",
       "applications[1].focused: \"a\" is not an element of this application"},
  });
  EXPECT_EQ(axsim_load_scenario(nullptr), 0);
  EXPECT_NE(std::string(axsim_last_error()), "");
}

TEST_F(ScenarioTest, ElementsAreCheckedFieldByField) {
  expectRefusals({
      {app(R"({"role": "AXButton"})"), "applications[0].elements[0]: missing key \"id\""},
      {app(R"({"id": "a"}, {"id": "a"})"), "elements[1].id: element \"a\" is already declared"},
      {app(R"({"id": "a", "window": "w"}, {"id": "w"})"),
       "elements[0].window: \"w\" is not an element declared earlier"},
      {app(R"({"id": "a", "frame": [1e300, 0, 1, 1]})"), "elements[0].frame[0]: must be between"},
      {app(R"({"id": "a", "text": "hi"})"), "elements[0].text: needs a text_kind"},
      {app(R"({"id": "a", "text_kind": "native", "text": "a😀b", "selection": [3, 2]})"),
       "elements[0].selection: runs past the end of the text (4 UTF-16 units)"},
      {app(R"({"id": "a", "attributes": {"AXParent": {"element": "ghost"}}})"),
       "elements[0].attributes.AXParent.element: no element \"ghost\""},
  });
  // A value may name an element declared after it, in any application.
  EXPECT_TRUE(load(R"({"applications": [
      {"pid": 5, "elements": [{"id": "a", "attributes": {"AXLinkedUIElements": [{"element": "b"}]}}]},
      {"pid": 6, "elements": [{"id": "b"}]}]})"))
      << axsim_last_error();
}

TEST_F(ScenarioTest, StepsAreCheckedAgainstTheScriptSoFar) {
  expectRefusals({
      {withNotes(R"([{"at": 1, "do": "activate", "pid": 7}])"),
       "timeline[0].pid: no application with pid 7"},
      {withNotes(R"([{"at": 2, "do": "activate", "pid": 501}, {"at": 1, "do": "focusPreiov"}])"),
       "timeline[1].at: 1 s comes before the previous step's 2 s"},
      {withNotes(R"([{"at": 1, "do": "destroy", "element": "body"},
                     {"at": 2, "do": "select", "element": "body", "range": [0, 1]}])"),
       "timeline[1].element: element \"body\" was destroyed at timeline[0]"},
      {withNotes(R"([{"at": 1, "do": "terminate", "pid": 501},
                     {"at": 2, "do": "focus", "element": "field"}])"),
       "timeline[1].element: element \"field\" belongs to application 501, terminated at "
       "timeline[0]"},
      {withNotes(R"([{"at": 1, "do": "launch", "pid": 9, "elements": [{"id": "body"}]}])"),
       "timeline[0].elements[0].id: element \"body\" is already declared"},
      {withNotes(R"([{"at": 1, "do": "setText", "text": "a\u0000b"}])"),
       "timeline[0].text: contains a NUL character"},
      {withNotes(R"([{"at": 1, "run_loop_mode": "tracking", "for": 1},
                     {"at": 1.5, "run_loop_mode": "modal", "for": 1}])"),
       "timeline[1].at: 1.5 s falls inside the run loop step at timeline[0]"},
  });
  // Other steps may fall inside a run loop step, and an application launched by the script can
  // be named after its launch.
  EXPECT_TRUE(load(withNotes(R"([{"at": 1, "run_loop_mode": "tracking", "for": 1},
      {"at": 1.5, "do": "select", "element": "body", "range": [0, 3]},
      {"at": 3, "do": "launch", "pid": 9, "elements": [{"id": "new"}], "focused": "new"},
      {"at": 4, "do": "activate", "pid": 9}, {"at": 5, "do": "destroy", "element": "new"}])")))
      << axsim_last_error();
}

TEST_F(ScenarioTest, ARefusedScenarioLeavesNothingBehind) {
  ASSERT_TRUE(load(withNotes(std::string("[") + kFollowNotes + "]"))) << axsim_last_error();
  ASSERT_FALSE(sim::Desktop::current().applicationPids().empty());

  // Valid up to the last step: nothing of it may be built.
  EXPECT_FALSE(load(withNotes(R"([{"at": 0, "do": "initMacAccessibility"},
      {"at": 1, "do": "focus", "element": "missing"}])")));
  EXPECT_TRUE(sim::Desktop::current().applicationPids().empty());
  EXPECT_FALSE(sim::Desktop::current().hasElement("body"));
  EXPECT_FALSE(sim::Desktop::current().hasPendingWork());
  EXPECT_EQ(axsim_run(), 0);
  EXPECT_FALSE(state()["scenario"]["loaded"].get<bool>());

  // The next valid scenario loads as if nothing had happened.
  EXPECT_TRUE(load(withNotes("[]"))) << axsim_last_error();
  EXPECT_EQ(std::string(axsim_last_error()), "");
}

}  // namespace
}  // namespace axb::testing
