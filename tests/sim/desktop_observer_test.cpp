// Delivery of accessibility notifications: asynchronous, default mode only, to the registrations
// that exist at delivery time.
#include <vector>

#include "platform/accessibility.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

using Heards = std::vector<Heard>;

TEST_F(SimDesktopTest, NotificationsArriveOnlyWhenTheRunLoopRunsInDefaultMode) {
  addEditor();
  Recorder recorder;
  auto observer = observe(kEditorPid, "area", "AXSelectedTextChanged", recorder);
  desktop().select("area", {0, 2});
  EXPECT_TRUE(recorder.heard.empty());  // never synchronously
  desktop().runUntilIdle(RunLoopMode::EventTracking);
  desktop().runUntilIdle(RunLoopMode::ModalPanel);
  EXPECT_TRUE(recorder.heard.empty());
  desktop().runUntilIdle(RunLoopMode::Default);
  EXPECT_EQ(recorder.heard, (Heards{{"area", "AXSelectedTextChanged"}}));
}

TEST_F(SimDesktopTest, TheRefconReachesTheCallbackUntouched) {
  addEditor();
  Recorder first, second;
  auto observer = platform::Observer::create(kEditorPid, recordNotification);
  const auto area = desktop().element("area");
  ASSERT_EQ(observer->addNotification(area, "AXValueChanged", &first), 0);
  ASSERT_EQ(observer->addNotification(area, "AXSelectedTextChanged", &second), 0);
  observer->addSourceToCurrentRunLoop();
  desktop().type("area", "x");
  desktop().runUntilIdle();
  EXPECT_EQ(first.heard, (Heards{{"area", "AXValueChanged"}}));
  EXPECT_EQ(second.heard, (Heards{{"area", "AXSelectedTextChanged"}}));
}

TEST_F(SimDesktopTest, ANotificationPostedBeforeTheSourceIsAddedIsLost) {
  addEditor();
  Recorder recorder;
  auto observer = platform::Observer::create(kEditorPid, recordNotification);
  ASSERT_EQ(observer->addNotification(desktop().element("area"), "AXValueChanged", &recorder), 0);
  desktop().type("area", "lost");
  observer->addSourceToCurrentRunLoop();
  desktop().runUntilIdle();
  EXPECT_TRUE(recorder.heard.empty());
  desktop().type("area", "heard");
  desktop().runUntilIdle();
  EXPECT_EQ(recorder.heard.size(), 1u);
}

TEST_F(SimDesktopTest, TheApplicationElementHearsAllItsElementsAnOtherElementOnlyItself) {
  addEditor();
  desktop().addElement(kEditorPid,
                       {.id = "field", .role = "AXTextField", .text = TextKind::Native});
  desktop().addApplication({200, "com.example.other", "Other", true});
  desktop().addElement(200, {.id = "elsewhere", .role = "AXTextField", .text = TextKind::Native});

  Recorder viaApp, viaField;
  auto appObserver = platform::Observer::create(kEditorPid, recordNotification);
  ASSERT_EQ(appObserver->addNotification(platform::createApplicationElement(kEditorPid),
                                         "AXFocusedUIElementChanged", &viaApp),
            0);
  appObserver->addSourceToCurrentRunLoop();
  auto fieldObserver = observe(kEditorPid, "field", "AXFocusedUIElementChanged", viaField);

  desktop().focus("area");
  desktop().focus("field");
  desktop().focus("elsewhere");
  desktop().runUntilIdle();
  EXPECT_EQ(viaApp.heard, (Heards{{"area", "AXFocusedUIElementChanged"},
                                  {"field", "AXFocusedUIElementChanged"}}));
  EXPECT_EQ(viaField.heard, (Heards{{"field", "AXFocusedUIElementChanged"}}));
}

TEST_F(SimDesktopTest, NothingReachesAWithdrawnRegistrationOrADestroyedObserver) {
  addEditor();
  Recorder removed, destroyed;
  auto keeps = observe(kEditorPid, "area", "AXValueChanged", removed);
  auto goes = observe(kEditorPid, "area", "AXSelectedTextChanged", destroyed);
  EXPECT_EQ(desktop().liveObserverCount(), 2u);
  EXPECT_EQ(desktop().liveRegistrationCount(), 2u);

  desktop().type("area", "x");  // both notifications queued
  EXPECT_EQ(keeps->removeNotification(desktop().element("area"), "AXValueChanged"), 0);
  goes.reset();
  desktop().runUntilIdle();
  EXPECT_TRUE(removed.heard.empty());
  EXPECT_TRUE(destroyed.heard.empty());
  EXPECT_EQ(desktop().liveObserverCount(), 1u);
  EXPECT_EQ(desktop().liveRegistrationCount(), 0u);
}

TEST_F(SimDesktopTest, RegistrationErrorsFollowThePlatform) {
  addEditor();
  auto observer = platform::Observer::create(kEditorPid, recordNotification);
  const auto area = desktop().element("area");
  EXPECT_EQ(observer->addNotification(area, "AXValueChanged", nullptr), 0);
  EXPECT_EQ(observer->addNotification(area, "AXValueChanged", nullptr), -25209);
  EXPECT_EQ(observer->removeNotification(area, "AXTitleChanged"), -25210);
  desktop().setNotificationError("area", "AXTitleChanged", -25207);
  EXPECT_EQ(observer->addNotification(area, "AXTitleChanged", nullptr), -25207);
  // A second observer may register the same pair; both then hear it.
  Recorder one, two;
  auto a = observe(kEditorPid, "area", "AXSelectedTextChanged", one);
  auto b = observe(kEditorPid, "area", "AXSelectedTextChanged", two);
  desktop().select("area", {0, 1});
  desktop().runUntilIdle();
  EXPECT_EQ(one.heard.size() + two.heard.size(), 2u);

  // The observer itself can be made for a process that does not exist.
  auto orphan = platform::Observer::create(999, recordNotification);
  ASSERT_NE(orphan, nullptr);
  EXPECT_EQ(
      orphan->addNotification(platform::createApplicationElement(999), "AXValueChanged", nullptr),
      -25202);
}

TEST_F(SimDesktopTest, WindowGeometryChangesNotifyWithTheWindow) {
  addEditor();
  Recorder recorder;
  auto observer = platform::Observer::create(kEditorPid, recordNotification);
  const auto app = platform::createApplicationElement(kEditorPid);
  ASSERT_EQ(observer->addNotification(app, "AXWindowMoved", &recorder), 0);
  ASSERT_EQ(observer->addNotification(app, "AXWindowResized", &recorder), 0);
  observer->addSourceToCurrentRunLoop();
  desktop().moveWindow("win", {150, 260});
  desktop().resizeWindow("win", {500, 400});
  desktop().runUntilIdle();
  EXPECT_EQ(recorder.heard, (Heards{{"win", "AXWindowMoved"}, {"win", "AXWindowResized"}}));
  EXPECT_EQ(desktop().frame("win"), (Rect{150, 260, 500, 400}));
  EXPECT_EQ(desktop().frame("area"), (Rect{160, 300, 300, 100}));
}

}  // namespace
}  // namespace axb::sim::testing
