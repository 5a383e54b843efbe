// Requests to simulated applications: the platform's error codes, fixed answers, writes and the
// application element.
#include <algorithm>
#include <vector>

#include "platform/accessibility.h"
#include "platform/run_loop.h"
#include "sim_desktop/values.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

using platform::Object;

platform::AXErrorCode readError(const platform::Element& element, const char* attribute) {
  return platform::copyAttributeValue(element, attribute).error;
}

// Every kind of request, so that a check missing from one of them shows.
std::vector<platform::AXErrorCode> everyRequest(const platform::Element& element) {
  auto observer = platform::Observer::create(platform::elementProcessId(element).value_or(0),
                                             recordNotification);
  return {readError(element, "AXRole"),
          platform::copyParameterizedAttributeValue(element, "AXStringForRange",
                                                    Object::makeRange({0, 1}))
              .error,
          platform::copyAttributeNames(element).error,
          platform::isAttributeSettable(element, "AXValue").error,
          platform::setAttributeValue(element, "AXValue", Object::makeString("x")),
          observer->addNotification(element, "AXValueChanged", nullptr),
          observer->removeNotification(element, "AXValueChanged")};
}

using Codes = std::vector<platform::AXErrorCode>;

TEST_F(SimDesktopTest, UntrustedRequestsAreRefusedExceptToTheHostItself) {
  addEditor();
  desktop().setTrusted(false);
  EXPECT_EQ(everyRequest(desktop().element("area")), Codes(7, -25211));
  desktop().setHostProcess(kEditorPid);
  EXPECT_EQ(readError(desktop().element("area"), "AXRole"), 0);

  EXPECT_FALSE(platform::isProcessTrusted(false));
  EXPECT_FALSE(platform::isProcessTrusted(true));
  EXPECT_EQ(desktop().promptCount(), 1);
  desktop().setTrusted(true);
  EXPECT_TRUE(platform::isProcessTrusted(true));
  EXPECT_EQ(desktop().promptCount(), 1);
}

TEST_F(SimDesktopTest, VanishedElementsAndProcessesAnswerInvalidElement) {
  addEditor();
  const auto area = desktop().element("area");
  desktop().destroyElement("area");
  EXPECT_EQ(everyRequest(area), Codes(7, -25202));
  EXPECT_EQ(area, desktop().element("area"));  // still the same element, only gone

  const auto window = desktop().element("win");
  const auto app = platform::createApplicationElement(kEditorPid);
  EXPECT_EQ(app, platform::createApplicationElement(kEditorPid));
  EXPECT_EQ(platform::elementProcessId(app), kEditorPid);
  desktop().terminate(kEditorPid);
  EXPECT_EQ(readError(window, "AXRole"), -25202);
  EXPECT_EQ(readError(app, "AXRole"), -25202);

  const auto nobody = platform::createApplicationElement(999);
  EXPECT_EQ(nobody, platform::createApplicationElement(999));
  EXPECT_EQ(everyRequest(nobody), Codes(7, -25202));
}

TEST_F(SimDesktopTest, LaunchingAndHungApplicationsCannotComplete) {
  desktop().launchApplication({kEditorPid, "com.example.editor", "Editor", true}, 2.0);
  const auto app = platform::createApplicationElement(kEditorPid);
  EXPECT_EQ(readError(app, "AXRole"), -25204);
  desktop().runUntil(2.0);
  EXPECT_EQ(readError(app, "AXRole"), 0);

  // A hung application holds the caller until the request times out; other processes go on.
  bool otherProcessRan = false;
  desktop().atWorldTime(2.5, [&] { otherProcessRan = true; });
  desktop().setResponsive(kEditorPid, false, 1.5);
  EXPECT_EQ(readError(app, "AXRole"), -25204);
  EXPECT_DOUBLE_EQ(desktop().now(), 3.5);
  EXPECT_TRUE(otherProcessRan);
  desktop().setResponsive(kEditorPid, true);
  EXPECT_EQ(readError(app, "AXRole"), 0);
}

TEST_F(SimDesktopTest, MissingAttributesAndValuesHaveTheirOwnCodes) {
  addEditor();
  const auto area = desktop().element("area");
  const auto app = platform::createApplicationElement(kEditorPid);
  EXPECT_EQ(readError(area, "AXNoSuchThing"), -25205);
  EXPECT_EQ(readError(area, "AXSubrole"), -25205);  // none given
  EXPECT_EQ(readError(app, "AXFocusedUIElement"), -25212);
  EXPECT_EQ(platform::copyParameterizedAttributeValue(area, "AXNoSuchThing", Object()).error,
            -25213);
  EXPECT_EQ(platform::isAttributeSettable(area, "AXNoSuchThing").error, -25205);

  const auto names = platform::copyAttributeNames(area).value.array().value();
  const auto listed = [&names](const char* name) {
    return std::count(names.begin(), names.end(), Object::makeString(name)) == 1;
  };
  EXPECT_TRUE(listed("AXRole") && listed("AXValue") && listed("AXWindow") && listed("AXPosition"));
  EXPECT_FALSE(listed("AXSubrole") || listed("AXSelectedTextMarkerRange"));
}

TEST_F(SimDesktopTest, WritingTheValueReplacesTheTextAndNotifies) {
  addEditor("old", {0, 1});
  Recorder recorder;
  auto observer = observe(kEditorPid, "area", "AXValueChanged", recorder);
  const auto area = desktop().element("area");
  EXPECT_EQ(platform::setAttributeValue(area, "AXValue", Object::makeString("new text")), 0);
  EXPECT_EQ(desktop().text("area"), "new text");
  EXPECT_EQ(desktop().selection("area"), (Range{8, 0}));
  EXPECT_EQ(platform::setAttributeValue(area, "AXValue", Object::makeNumber(1)), -25201);
  desktop().runUntilIdle();
  EXPECT_EQ(recorder.heard, (std::vector<Heard>{{"area", "AXValueChanged"}}));
}

}  // namespace
}  // namespace axb::sim::testing
