// Delivery of events to the host: one pending slot, a delivery step about 0.18 s after each
// post, the newest event wins.
#include "bridge/event_channel.h"

#include <cmath>
#include <limits>
#include <vector>

#include "bridge/globals.h"
#include "support/desktop_fixture.h"

namespace axb::testing {
namespace {

using bridge::callbackWraper;
using sim::RunLoopMode;

class EventChannelTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    initMacAccessibility(&record);
  }
};

TEST_F(EventChannelTest, OnePostIsDeliveredOnceAfterBothWaitsAsUtf8Json) {
  callbackWraper("text_select", {{"selected_text", "Grüße 😀"}, {"is_editable", true}});
  desk().runUntil(0.179);
  EXPECT_TRUE(received().empty());
  desk().runUntil(0.181);
  ASSERT_EQ(received().size(), 1u);
  desk().runUntilIdle();
  ASSERT_EQ(received().size(), 1u);
  EXPECT_EQ(received()[0].name, "text_select");
  EXPECT_DOUBLE_EQ(received()[0].time, 0.18);
  // Compact, and the text as raw UTF-8 rather than escapes.
  EXPECT_EQ(received()[0].json, R"({"is_editable":true,"selected_text":"Grüße 😀"})");
}

TEST_F(EventChannelTest, BurstDeliversOnlyItsLatestEventOnce) {
  callbackWraper("focused_changed", {{"n", 1}});
  desk().runUntil(0.05);
  callbackWraper("caret", {{"n", 2}});
  desk().runUntil(0.10);
  callbackWraper("text_select", {{"n", 3}});
  desk().runUntilIdle();
  ASSERT_EQ(received().size(), 1u);
  EXPECT_EQ(received()[0].name, "text_select");
  EXPECT_EQ(received()[0].data["n"], 3);
  EXPECT_DOUBLE_EQ(received()[0].time, 0.18);
  // Two posts in one operation: the second.
  callbackWraper("error", {{"message", "something is wrong"}});
  callbackWraper("alt_enter_pressed", EventDictionary::object());
  desk().runUntilIdle();
  EXPECT_EQ(names(), (std::vector<std::string>{"text_select", "alt_enter_pressed"}));
}

TEST_F(EventChannelTest, EventPostedDuringTheCallbackIsDeliveredLater) {
  static int calls = 0;
  calls = 0;
  bridge::globals().observer_callback = [](const char* name, const char* json) {
    record(name, json);
    if (++calls == 1) callbackWraper("alt_enter_pressed", {{"from", "inside"}});
  };
  callbackWraper("caret", EventDictionary::object());
  desk().runUntilIdle();
  ASSERT_EQ(names(), (std::vector<std::string>{"caret", "alt_enter_pressed"}));
  EXPECT_EQ(received()[1].data["from"], "inside");
  EXPECT_DOUBLE_EQ(received()[1].time, 0.36);
}

// Without a callback, or with a non-finite number, nothing is delivered and the event waits.
TEST_F(EventChannelTest, AnUndeliverableEventStaysPending) {
  initMacAccessibility(nullptr);
  callbackWraper("caret", EventDictionary::object());
  desk().runUntilIdle();
  ASSERT_TRUE(bridge::globals().eventParams.has_value());
  EXPECT_EQ(bridge::globals().eventParams->notification, "caret");
  initMacAccessibility(&record);
  callbackWraper("ui_reized", {{"position", {{"x", std::numeric_limits<double>::quiet_NaN()}}}});
  desk().runUntilIdle();
  EXPECT_TRUE(received().empty());
  EXPECT_TRUE(bridge::globals().eventParams.has_value());
  // A newer, representable event replaces it and goes through.
  callbackWraper("caret", EventDictionary::object());
  desk().runUntilIdle();
  EXPECT_EQ(names(), std::vector<std::string>{"caret"});
  // Text that is not UTF-8 is refused like a non-finite number.
  EXPECT_FALSE(bridge::serializePayload({{"t", std::string("\xC3\x28")}}).has_value());
  EXPECT_FALSE(bridge::serializePayload({{"v", {1.0, INFINITY}}}).has_value());
  EXPECT_EQ(bridge::serializePayload({{"a", nullptr}, {"b", false}}), R"({"a":null,"b":false})");
}

TEST_F(EventChannelTest, DeliveryWaitsForTheDefaultRunLoopMode) {
  callbackWraper("caret", EventDictionary::object());
  desk().runUntil(1.0, RunLoopMode::EventTracking);
  EXPECT_TRUE(received().empty());
  desk().runUntilIdle(RunLoopMode::Default);
  ASSERT_EQ(received().size(), 1u);
  // The main-queue wait passed during tracking; only the timer's wait remained.
  EXPECT_DOUBLE_EQ(received()[0].time, 1.0);
}

}  // namespace
}  // namespace axb::testing
