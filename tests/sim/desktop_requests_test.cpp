// Requests to simulated applications: the platform's error codes for every kind of request (an
// untrusted process, missing attributes, vanished elements and processes), and the application
// element.
#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/accessibility.h"
#include "platform/observer.h"
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
  auto observer =
      platform::Observer::create(platform::elementProcessId(element).value_or(0),
                                 [](const platform::Element&, std::string_view, void*) {});
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

TEST_F(SimDesktopTest, EveryRequestAnswersThePlatformsErrorCodes) {
  addEditor();
  desktop().setTrusted(false);
  EXPECT_EQ(everyRequest(desktop().element("area")), Codes(7, -25211));
  desktop().setHostProcess(kEditorPid);
  EXPECT_EQ(readError(desktop().element("area"), "AXRole"), 0);
  desktop().setTrusted(true);

  // Missing attributes and values have their own codes.
  const auto area = desktop().element("area");
  const auto app = platform::createApplicationElement(kEditorPid);
  EXPECT_EQ(readError(area, "AXNoSuchThing"), -25205);
  EXPECT_EQ(readError(area, "AXSubrole"), -25205);  // none given
  EXPECT_EQ(readError(app, "AXFocusedUIElement"), -25212);
  EXPECT_EQ(platform::copyParameterizedAttributeValue(area, "AXNoSuchThing", Object()).error,
            -25213);
  EXPECT_EQ(platform::isAttributeSettable(area, "AXNoSuchThing").error, -25205);

  // Vanished elements and processes answer "invalid element".
  desktop().destroyElement("area");
  EXPECT_EQ(everyRequest(area), Codes(7, -25202));
  EXPECT_EQ(area, desktop().element("area"));  // still the same element, only gone

  const auto window = desktop().element("win");
  EXPECT_EQ(app, platform::createApplicationElement(kEditorPid));
  EXPECT_EQ(platform::elementProcessId(app), kEditorPid);
  desktop().terminate(kEditorPid);
  EXPECT_EQ(readError(window, "AXRole"), -25202);
  EXPECT_EQ(readError(app, "AXRole"), -25202);

  const auto nobody = platform::createApplicationElement(999);
  EXPECT_EQ(nobody, platform::createApplicationElement(999));
  EXPECT_EQ(everyRequest(nobody), Codes(7, -25202));
}

}  // namespace
}  // namespace axb::sim::testing
