// Observer registrations: one in force per (element, notification, handler, tracker), failures
// not in force, registrations of a terminated application withdrawn.
#include "ax/observers.h"

#include <string>
#include <vector>

#include "support/desktop_fixture.h"
#include "tracker/mac_accessibility.h"

namespace axb::testing {
namespace {

int handlerRuns = 0;
void countingHandler(const platform::Element&, std::string_view, void*) {
  ++handlerRuns;
}

class ObserversTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    handlerRuns = 0;
    addNotesApp();
    desk().runUntilIdle();
  }
  tracker::MacAccessibility* refcon = reinterpret_cast<tracker::MacAccessibility*>(0x1);
};

TEST_F(ObserversTest, FailedRegistrationPrintsErrorAndIsNotInForce) {
  const auto body = desk().element("notes.body");
  ax::setNotification(body, kNotes, "AXSelectedTextChanged", countingHandler, nullptr);
  desk().setNotificationError("notes.body", "AXValueChanged", -25207);
  ax::setNotification(body, kNotes, "AXValueChanged", countingHandler, nullptr);
  EXPECT_EQ(lines(), std::vector<std::string>{"error"});
  EXPECT_EQ(ax::registrationCount(), 1u);
  // The earlier registration still works; the failed one can be tried again later.
  desk().select("notes.body", {1, 1});
  desk().runUntilIdle();
  EXPECT_EQ(handlerRuns, 1);
  // A busy application's timeout is no refusal: the tracker asks again later.
  desk().setNotificationError("notes.body", "AXValueChanged", platform::axerr::kCannotComplete);
  EXPECT_EQ(ax::setNotification(body, kNotes, "AXValueChanged", countingHandler, nullptr),
            ax::RegistrationResult::Unanswered);
  desk().setNotificationError("notes.body", "AXValueChanged", platform::axerr::kSuccess);
  ax::setNotification(body, kNotes, "AXValueChanged", countingHandler, nullptr);
  EXPECT_EQ(ax::registrationCount(), 2u);
  // A vanished element cannot be registered.
  desk().clearDiagnosticLines();
  desk().destroyElement("notes.label");
  ax::setNotification(desk().element("notes.label"), kNotes, "AXValueChanged", countingHandler,
                      nullptr);
  EXPECT_EQ(lines(), std::vector<std::string>{"error"});
  EXPECT_EQ(ax::registrationCount(), 2u);
}

TEST_F(ObserversTest, WithdrawingReleasesObserversAndNothingIsDeliveredAfter) {
  ax::setNotification(desk().element("notes.body"), kNotes, "AXSelectedTextChanged",
                      countingHandler, nullptr);
  desk().select("notes.body", {0, 2});  // queued, not yet delivered
  ax::withdrawRegistrations(kNotes);
  desk().runUntilIdle();
  EXPECT_EQ(handlerRuns, 0);
  EXPECT_EQ(desk().liveObserverCount(), 0u);
  EXPECT_TRUE(ax::latestObserver().expired());
}

}  // namespace
}  // namespace axb::testing
