// Requests through the accessibility interface. What needs the accessibility permission runs
// against TextEdit, and only when this process holds the permission.
#include "platform/accessibility.h"

#import <AppKit/AppKit.h>
#include <ApplicationServices/ApplicationServices.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "mac/run_loop_support.h"
#include "mac/text_edit.h"

namespace axb::platform {
namespace {

using testing::stringAttribute;
using testing::TextEditTest;
using testing::unusedProcessId;

TEST(AccessibilityTest, TrustCheckWithoutPromptAgreesWithThePlatform) {
  EXPECT_EQ(isProcessTrusted(false), static_cast<bool>(AXIsProcessTrusted()));
}

TEST(AccessibilityTest, ApplicationElementsExistForAnyProcessIdentifier) {
  EXPECT_EQ(elementProcessId(createApplicationElement(getpid())), getpid());
  const ProcessId ghost = unusedProcessId();
  const Element element = createApplicationElement(ghost);
  EXPECT_EQ(elementProcessId(element), ghost);
  // Requests to it fail (not trusted: -25211; trusted: the process is not there).
  const CopyResult role = copyAttributeValue(element, "AXRole");
  EXPECT_NE(role.error, axerr::kSuccess);
  EXPECT_FALSE(role.value);
  // Missing parameters and values are refused before any request.
  const CopyResult bounds = copyParameterizedAttributeValue(element, "AXBoundsForRange", Object());
  EXPECT_EQ(bounds.error, axerr::kIllegalArgument);
  EXPECT_FALSE(bounds.value);
  EXPECT_EQ(setAttributeValue(element, "AXValue", Object()), axerr::kIllegalArgument);
}

// ---- With the accessibility permission, against a real application.

TEST_F(TextEditTest, ReadsATextAreasRoleAndValue) {
  EXPECT_EQ(stringAttribute(*area_, "AXRole"), "AXTextArea");
  EXPECT_EQ(stringAttribute(*area_, "AXValue"), kText);
  EXPECT_EQ(elementProcessId(*area_), app_.processIdentifier);

  const SettableResult settable = isAttributeSettable(*area_, "AXValue");
  EXPECT_EQ(settable.error, axerr::kSuccess);
  EXPECT_TRUE(settable.settable);

  const CopyResult names = copyAttributeNames(*area_);
  ASSERT_EQ(names.error, axerr::kSuccess);
  bool hasValue = false;
  for (const Object& name : names.value.array().value_or(std::vector<Object>{})) {
    hasValue = hasValue || name.string() == "AXValue";
  }
  EXPECT_TRUE(hasValue);

  // "axbridge" is UTF-16 units 0 to 8 of the text.
  const CopyResult word =
      copyParameterizedAttributeValue(*area_, "AXStringForRange", Object::makeRange({0, 8}));
  ASSERT_EQ(word.error, axerr::kSuccess);
  EXPECT_EQ(word.value.string(), "axbridge");
  EXPECT_NE(copyAttributeValue(*area_, "AXNoSuchAttribute").error, axerr::kSuccess);
}

}  // namespace
}  // namespace axb::platform
