// The text-marker functions are not in every SDK's headers and are looked up by name when the
// library first needs them; a wrong name would only show as selections without bounds.
#include "platform/mac/text_markers.h"

#include <ApplicationServices/ApplicationServices.h>
#include <gtest/gtest.h>

#include "mac/editor.h"
#include "platform/accessibility.h"

namespace axb::platform {
namespace {

using testing::EditorTest;

TEST(TextMarkerFunctionsTest, AllFiveAreFoundAtRunTime) {
  const mac::TextMarkerFunctions& functions = mac::textMarkerFunctions();
  EXPECT_TRUE(functions.markerTypeId) << "AXTextMarkerGetTypeID";
  EXPECT_TRUE(functions.rangeTypeId) << "AXTextMarkerRangeGetTypeID";
  EXPECT_TRUE(functions.copyStartMarker) << "AXTextMarkerRangeCopyStartMarker";
  EXPECT_TRUE(functions.copyEndMarker) << "AXTextMarkerRangeCopyEndMarker";
  EXPECT_TRUE(functions.createRange) << "AXTextMarkerRangeCreate";
  ASSERT_TRUE(functions.markerTypeId && functions.rangeTypeId);
  // Two types of their own, told apart from every other kind of object.
  EXPECT_NE(functions.markerTypeId(), functions.rangeTypeId());
  EXPECT_NE(functions.markerTypeId(), AXUIElementGetTypeID());
  EXPECT_NE(functions.rangeTypeId(), AXValueGetTypeID());
}

// A selection's marker range taken apart and put together again still names the selection.
TEST_F(EditorTest, MarkerRangesTakenApartAndRebuiltNameTheSameText) {
  ASSERT_EQ(setAttributeValue(*area_, "AXSelectedTextRange", Object::makeRange({5, 5})),
            axerr::kSuccess);  // "words"
  const CopyResult selected = copyAttributeValue(*area_, "AXSelectedTextMarkerRange");
  if (selected.error != axerr::kSuccess) {
    GTEST_SKIP() << "the text area offers no text markers here (error " << selected.error << ")";
  }
  ASSERT_EQ(selected.value.kind(), ValueKind::TextMarkerRange);

  const Object start = textMarkerRangeStart(selected.value);
  const Object end = textMarkerRangeEnd(selected.value);
  EXPECT_EQ(start.kind(), ValueKind::TextMarker);
  EXPECT_EQ(end.kind(), ValueKind::TextMarker);
  const Object rebuilt = makeTextMarkerRange(start, end);
  ASSERT_EQ(rebuilt.kind(), ValueKind::TextMarkerRange);

  const CopyResult text =
      copyParameterizedAttributeValue(*area_, "AXStringForTextMarkerRange", rebuilt);
  ASSERT_EQ(text.error, axerr::kSuccess);
  EXPECT_EQ(text.value.string(), "words");
  const CopyResult bounds =
      copyParameterizedAttributeValue(*area_, "AXBoundsForTextMarkerRange", rebuilt);
  ASSERT_EQ(bounds.error, axerr::kSuccess);
  const std::optional<Rect> rect = bounds.value.axRect();
  ASSERT_TRUE(rect);
  EXPECT_GT(rect->width, 0);
  EXPECT_GT(rect->height, 0);
}

}  // namespace
}  // namespace axb::platform
