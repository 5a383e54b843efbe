// Text as simulated elements expose it: UTF-16 addressing, and the less that markers-only and
// secure elements expose.
#include <optional>
#include <string>

#include "platform/accessibility.h"
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

TEST_F(SimDesktopTextTest, RangesCountUtf16UnitsAndMarkersOnlyAndSecureElementsExposeLess) {
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

  // Markers-only and secure elements expose less.
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
