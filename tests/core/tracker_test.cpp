// The tracker object's small operations.
#include <memory>
#include <string>
#include <vector>

#include "bridge/globals.h"
#include "support/desktop_fixture.h"
#include "tracker/mac_accessibility.h"

namespace axb::testing {
namespace {

class TrackerTest : public DesktopTest {};

TEST_F(TrackerTest, BasicAppInfoGivesNullForWhatTheApplicationLacks) {
  initAndStart();
  desk().addApplication({.pid = 30, .bundleId = "com.example.anon"});
  desk().addElement(30, {.id = "anon.field", .role = "AXTextField"});
  desk().focus("anon.field");
  desk().activate(30);
  desk().runUntilIdle();
  const auto info = bridge::globals().macAccessibility->getBasicAppInfo();
  EXPECT_EQ(info, (EventDictionary{{"bundle_id", "com.example.anon"}, {"name", nullptr}}));
  // A started tracker outlives the global reference: its registrations hold it.
  std::weak_ptr<tracker::MacAccessibility> weak = bridge::globals().macAccessibility;
  bridge::globals().macAccessibility.reset();
  EXPECT_FALSE(weak.expired());
}

TEST_F(TrackerTest, FocusPreiovBringsTheFollowedApplicationBack) {
  initAndStart();
  addNotesApp();
  addMailApp();
  desk().activate(kNotes);
  desk().runUntilIdle();
  desk().addApplication({.pid = 99, .bundleId = "com.example.host", .name = "Quorvalent"});
  desk().activate(99);
  desk().runUntilIdle();
  desk().clearDiagnosticLines();
  focusPreiov();
  desk().runUntilIdle();
  EXPECT_EQ(desk().frontmostPid(), kNotes);
  EXPECT_EQ(lines(), std::vector<std::string>{"hello"});
}

}  // namespace
}  // namespace axb::testing
