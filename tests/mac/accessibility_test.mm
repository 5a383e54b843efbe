// Requests through the accessibility interface. What needs the accessibility permission runs
// against the contract's editor, and only when this process holds the permission.
#include "platform/accessibility.h"

#import <AppKit/AppKit.h>
#include <ApplicationServices/ApplicationServices.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "mac/editor.h"
#include "mac/run_loop_support.h"

namespace axb::platform {
namespace {

using testing::stringAttribute;
using testing::EditorTest;
using testing::unusedProcessId;

TEST(AccessibilityTest, TrustCheckWithoutPromptAgreesWithThePlatform) {
  EXPECT_EQ(isProcessTrusted(false), static_cast<bool>(AXIsProcessTrusted()));
}

TEST(AccessibilityTest, ApplicationElementsExistForAnyProcessIdentifier) {
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

// Its role and process the binding contract reads already.
TEST_F(EditorTest, ReadsATextAreasValueAndItsAttributes) {
  EXPECT_EQ(stringAttribute(*area_, "AXValue"), kText);
  EXPECT_TRUE(isAttributeSettable(*area_, "AXValue").settable);

  const CopyResult names = copyAttributeNames(*area_);
  ASSERT_EQ(names.error, axerr::kSuccess);
  const auto all = names.value.array().value_or(std::vector<Object>{});
  EXPECT_TRUE(std::count(all.begin(), all.end(), Object::makeString("AXValue")));

  const CopyResult word =
      copyParameterizedAttributeValue(*area_, "AXStringForRange", Object::makeRange({5, 5}));
  EXPECT_EQ(word.value.string(), "words");
  EXPECT_NE(copyAttributeValue(*area_, "AXNoSuchAttribute").error, axerr::kSuccess);
}

}  // namespace
}  // namespace axb::platform
