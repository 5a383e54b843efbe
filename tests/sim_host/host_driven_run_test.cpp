// A host that drives the library itself and runs its run loop for a while, as a host's event loop
// does, instead of scripting its calls in the scenario.
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "axbridge/axbridge.h"
#include "axbridge/sim.h"
#include "sim_desktop/desktop.h"
#include "sim_host/host_fixture.h"

namespace axb::testing {
namespace {

// Notes with the user at work: the library hears nothing until the host starts it.
const std::string kUserAtWork = withNotes(
    R"([{"at": 0.5, "do": "activate", "pid": 501},
        {"at": 1.0, "do": "select", "element": "body", "range": [4, 4]}])");

TEST_F(HostDrivenTest, RunForPlaysTheDueStepsAndDeliversEventsToTheHostsOwnCallback) {
  axsim_set_host_callback(nullptr);  // only the host's own initMacAccessibility call counts
  ASSERT_TRUE(load(kUserAtWork)) << axsim_last_error();
  for (const double bad :  // durations that are not times are refused
       {-1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(axsim_run_for(bad), 0) << bad;
    EXPECT_NE(std::string(axsim_last_error()).find("duration"), std::string::npos);
    EXPECT_EQ(axsim_now(), 0);
  }
  startLibrary();

  ASSERT_EQ(axsim_run_for(0.9), 1) << axsim_last_error();
  EXPECT_DOUBLE_EQ(axsim_now(), 0.9);
  ASSERT_EQ(eventNames(), std::vector<std::string>{"app_changed"});
  EXPECT_EQ(nlohmann::json::parse(events()[0].json)["bundle_id"], "com.example.notes");

  ASSERT_EQ(axsim_run_for(1.0), 1) << axsim_last_error();
  EXPECT_DOUBLE_EQ(axsim_now(), 1.9);
  ASSERT_EQ(eventNames(), (std::vector<std::string>{"app_changed", "text_select"}));
  EXPECT_EQ(nlohmann::json::parse(events()[1].json)["selected_text"], "milk");
  EXPECT_NEAR(events()[1].time, 1.18, 1e-9);
}

// A host callback that asks for assistant data on every event keeps work arriving for ever.
void askOnEveryEvent(const char* name, const char* json) {
  HostDrivenTest::record(name, json);
  getDataForVeskAssist();
}

TEST_F(HostDrivenTest, ARunGivesUpWithAMessageWhenWorkNeverStopsArriving) {
  axsim_set_host_callback(&askOnEveryEvent);
  ASSERT_TRUE(load(withNotes(std::string("[") + kFollowNotes + "]")));
  EXPECT_EQ(axsim_run(), 0);
  const std::string message = axsim_last_error();
  EXPECT_NE(message.find("still arriving"), std::string::npos) << message;
  // Bounded: about one event per three items of work.
  EXPECT_GT(events().size(), 100u);
  EXPECT_LT(events().size(), 100'000u);
  const auto problems = state()["scenario"]["problems"];
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].get<std::string>().find("still arriving"), std::string::npos);

  // The desktop is still usable: a reset works and a run of a fixed length ends on time.
  axsim_set_host_callback(nullptr);
  ASSERT_EQ(axsim_reset(), 1);
  EXPECT_EQ(std::string(axsim_last_error()), "");
  ASSERT_TRUE(load(kUserAtWork));
  events().clear();
  initMacAccessibility(&askOnEveryEvent);
  start("{}");
  EXPECT_EQ(axsim_run_for(30), 1) << axsim_last_error();
  EXPECT_DOUBLE_EQ(axsim_now(), 30);
  EXPECT_GT(events().size(), 100u);
  EXPECT_EQ(axsim_run_for(1e7), 0);
  EXPECT_NE(std::string(axsim_last_error()).find("still arriving"), std::string::npos);
}

// The host callback may call back into the control surface; what would pull the desktop from
// under the running scenario (a reset, another scenario, a run inside the run) is refused, and says
// so.
int resetResult = -1;
std::string resetMessage;
void resetFromCallback(const char*, const char*) {
  EXPECT_EQ(axsim_load_scenario("{}"), 0);
  EXPECT_EQ(axsim_run_for(1), 0);
  EXPECT_NE(std::string(axsim_last_error()).find("playing"), std::string::npos);
  EXPECT_EQ(axsim_run(), 0);
  resetResult = axsim_reset();
  resetMessage = axsim_last_error();
}

TEST_F(HostDrivenTest, WhatWouldPullTheDesktopAwayIsRefusedInsideARun) {
  axsim_set_host_callback(&resetFromCallback);
  ASSERT_TRUE(load(withNotes(std::string("[") + kFollowNotes + "]")));
  resetResult = -1;
  ASSERT_EQ(axsim_run(), 1) << axsim_last_error();
  EXPECT_EQ(resetResult, 0);
  EXPECT_NE(resetMessage.find("playing"), std::string::npos) << resetMessage;
  EXPECT_TRUE(sim::Desktop::current().hasElement("body"));
  EXPECT_EQ(axsim_reset(), 1);
  EXPECT_EQ(std::string(axsim_last_error()), "");
  EXPECT_FALSE(sim::Desktop::current().hasElement("body"));
}

}  // namespace
}  // namespace axb::testing
