// Text as simulated elements expose it: UTF-16 addressing, layout rectangles and text markers.
#include <optional>
#include <string>

#include "platform/accessibility.h"
#include "sim_desktop/values.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

using platform::Object;

class SimDesktopTextTest : public SimDesktopTest {
 protected:
  static platform::CopyResult read(const std::string& id, const char* attribute) {
    return platform::copyAttributeValue(desktop().element(id), attribute);
  }
  static platform::CopyResult readFor(const std::string& id, const char* attribute,
                                      const Object& parameter) {
    return platform::copyParameterizedAttributeValue(desktop().element(id), attribute, parameter);
  }
  static std::optional<std::string> stringForRange(Range range) {
    return readFor("area", "AXStringForRange", Object::makeRange(range)).value.string();
  }
};

TEST_F(SimDesktopTextTest, RangesCountUtf16UnitsAndNeverSplitACharacter) {
  addEditor(
      "a\xF0\x9F\x98\x80"
      "b",
      {1, 2});  // "a😀b"
  EXPECT_EQ(read("area", "AXNumberOfCharacters").value.number(), 4);
  EXPECT_EQ(read("area", "AXSelectedText").value.string(), "\xF0\x9F\x98\x80");
  EXPECT_EQ(read("area", "AXSelectedTextRange").value.axRange(), (Range{1, 2}));
  EXPECT_EQ(stringForRange({3, 1}), "b");
  // Half a surrogate pair widens to the whole emoji instead of cutting its UTF-8 bytes.
  EXPECT_EQ(stringForRange({1, 1}), "\xF0\x9F\x98\x80");
  EXPECT_EQ(stringForRange({2, 2}),
            "\xF0\x9F\x98\x80"
            "b");
  EXPECT_EQ(stringForRange({4, 0}), "");
  for (Range outside : {Range{0, 5}, Range{-1, 1}, Range{5, 0}, Range{1, -1}}) {
    EXPECT_EQ(readFor("area", "AXStringForRange", Object::makeRange(outside)).error, -25201);
  }
}

TEST_F(SimDesktopTextTest, SelectionIsClampedIntoTheTextAndOntoCharacterBoundaries) {
  addEditor(
      "a\xF0\x9F\x98\x80"
      "b");
  desktop().select("area", {3, 10});
  EXPECT_EQ(desktop().selection("area"), (Range{3, 1}));
  desktop().select("area", {2, 0});  // a caret inside the pair moves to its start
  EXPECT_EQ(desktop().selection("area"), (Range{1, 0}));
  desktop().select("area", {-1, 2});
  EXPECT_EQ(desktop().selection("area"), (Range{0, 1}));

  const auto element = desktop().element("area");
  ASSERT_EQ(platform::setAttributeValue(element, "AXSelectedTextRange", Object::makeRange({9, 9})),
            0);
  EXPECT_EQ(desktop().selection("area"), (Range{4, 0}));
  EXPECT_EQ(platform::setAttributeValue(element, "AXSelectedTextRange", Object::makeNumber(1)),
            -25201);
}

TEST_F(SimDesktopTextTest, TypingReplacesTheSelectionAndLeavesTheCaretAfterIt) {
  addEditor("abcd", {1, 2});
  desktop().type("area", "\xF0\x9F\x98\x80");
  EXPECT_EQ(desktop().text("area"),
            "a\xF0\x9F\x98\x80"
            "d");
  EXPECT_EQ(desktop().selection("area"), (Range{3, 0}));
  desktop().type("area", "x\xFFy");  // ill-formed input is stored as U+FFFD
  EXPECT_EQ(desktop().text("area"),
            "a\xF0\x9F\x98\x80x\xEF\xBF\xBDy"
            "d");

  desktop().addElement(kEditorPid, {.id = "label",
                                    .role = "AXTextField",
                                    .text = TextKind::Native,
                                    .value = "fixed",
                                    .editable = false});
  desktop().type("label", "x");
  EXPECT_EQ(desktop().text("label"), "fixed");
  EXPECT_FALSE(platform::isAttributeSettable(desktop().element("label"), "AXValue").settable);
  EXPECT_TRUE(platform::isAttributeSettable(desktop().element("area"), "AXValue").settable);
}

TEST_F(SimDesktopTextTest, MarkerRangesMeasureLikeRangesAndBackwardsRangesAreEmpty) {
  addEditor();
  desktop().addElement(kEditorPid, {.id = "web",
                                    .role = "AXTextArea",
                                    .frame = {0, 0, 300, 100},
                                    .text = TextKind::Web,
                                    .value = "hello\nworld",
                                    .selection = {2, 6}});
  const auto selected = read("web", "AXSelectedTextMarkerRange").value;
  ASSERT_EQ(selected.kind(), platform::ValueKind::TextMarkerRange);
  const auto start = platform::textMarkerRangeStart(selected);
  const auto end = platform::textMarkerRangeEnd(selected);

  const auto forward =
      readFor("web", "AXBoundsForTextMarkerRange", platform::makeTextMarkerRange(start, end));
  const auto asRange = readFor("web", "AXBoundsForRange", Object::makeRange({2, 6}));
  ASSERT_EQ(forward.error, 0);
  EXPECT_EQ(forward.value.axRect(), asRange.value.axRect());
  EXPECT_EQ(platform::makeTextMarkerRange(start, end), selected);

  const auto backward = platform::makeTextMarkerRange(end, start);
  // Empty, at the later marker: offset 8 is column 2 of the second line.
  EXPECT_EQ(readFor("web", "AXBoundsForTextMarkerRange", backward).value.axRect(),
            (Rect{kTextInset + 2 * kCharAdvance, kTextInset + kLineHeight, 0, 0}));
  EXPECT_EQ(readFor("web", "AXStringForTextMarkerRange", backward).value.string(), "llo\nwo");
  EXPECT_EQ(readFor("web", "AXStringForTextMarkerRange", selected).value.string(), "llo\nwo");

  // Wrong parameter kinds, and markers of another element.
  EXPECT_EQ(readFor("web", "AXBoundsForTextMarkerRange", Object::makeRange({0, 1})).error, -25201);
  EXPECT_EQ(readFor("web", "AXBoundsForRange", selected).error, -25201);
  EXPECT_EQ(readFor("area", "AXBoundsForTextMarkerRange", selected).error, -25213);
  const auto foreign =
      sim::makeTextMarkerRange(makeTextMarker(nullptr, 0), makeTextMarker(nullptr, 1));
  EXPECT_EQ(readFor("web", "AXBoundsForTextMarkerRange", foreign).error, -25201);
}

TEST_F(SimDesktopTextTest, MarkersOnlyAndSecureElementsExposeLess) {
  addEditor();
  desktop().addElement(kEditorPid, {.id = "static",
                                    .role = "AXStaticText",
                                    .text = TextKind::Markers,
                                    .value = "read me",
                                    .selection = {0, 4}});
  EXPECT_EQ(read("static", "AXSelectedText").value.string(), "read");
  EXPECT_EQ(read("static", "AXValue").error, -25205);
  EXPECT_EQ(read("static", "AXSelectedTextRange").error, -25205);
  EXPECT_EQ(readFor("static", "AXStringForRange", Object::makeRange({0, 1})).error, -25213);
  EXPECT_EQ(read("static", "AXSelectedTextMarkerRange").error, 0);
  desktop().type("static", "x");
  EXPECT_EQ(desktop().text("static"), "read me");

  desktop().addElement(kEditorPid, {.id = "password",
                                    .role = "AXTextField",
                                    .subrole = "AXSecureTextField",
                                    .text = TextKind::Native,
                                    .value = "secret",
                                    .selection = {0, 6}});
  EXPECT_EQ(read("password", "AXValue").error, -25212);
  EXPECT_EQ(read("password", "AXSelectedText").error, -25212);
  EXPECT_EQ(readFor("password", "AXStringForRange", Object::makeRange({0, 1})).error, -25212);
  EXPECT_EQ(read("password", "AXNumberOfCharacters").value.number(), 6);
}

}  // namespace
}  // namespace axb::sim::testing
