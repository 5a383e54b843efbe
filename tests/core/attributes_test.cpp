// Typed attribute access: each kind of value delivered only when asked for.
#include "ax/attributes.h"

#include <utility>

#include "platform/accessibility.h"
#include "sim_desktop/values.h"
#include "support/desktop_fixture.h"

namespace axb::testing {
namespace {

using platform::AXValueType;
using platform::Object;

class AttributesTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    desk().addApplication({.pid = 10, .bundleId = "com.example.notes", .name = "Notes"});
    desk().addElement(10, {.id = "field", .role = "AXTextField"});
  }
  static platform::Element field() { return desk().element("field"); }
  void set(const char* name, Object value) { desk().setAttribute("field", name, std::move(value)); }
  template <typename T>
  static std::optional<T> read(const char* name) {
    return ax::getAttributeValue<T>(field(), name);
  }
};

TEST_F(AttributesTest, EachRecognisedKindIsDeliveredWhenAskedForAndNoOther) {
  set("Text", Object::makeString("hello"));
  set("Count", Object::makeNumber(42));
  set("Where", sim::makePointValue({1.5, -2}));
  set("Box", sim::makeRectValue({1, 2, 3, 4}));
  set("Span", sim::makeRangeValue({5, 6}));
  desk().addElement(10, {.id = "child", .role = "AXButton"});
  set("Child", desk().element("child").object());

  EXPECT_EQ(read<std::string>("Text"), "hello");
  EXPECT_EQ(read<std::int64_t>("Count"), 42);
  EXPECT_EQ(read<Point>("Where"), (Point{1.5, -2}));
  EXPECT_EQ(read<Rect>("Box"), (Rect{1, 2, 3, 4}));
  EXPECT_EQ(read<Range>("Span"), (Range{5, 6}));
  EXPECT_EQ(read<platform::Element>("Child"), desk().element("child"));
  // A value of another kind yields nothing, silently.
  set("Twelve", Object::makeString("12"));
  set("Half", Object::makeNumber(2.5));
  set("Broken", sim::makeUnextractableValue(AXValueType::CGRect));
  EXPECT_EQ(read<std::int64_t>("Twelve"), std::nullopt);
  EXPECT_EQ(read<std::int64_t>("Half"), std::nullopt);
  EXPECT_EQ(read<std::string>("Half"), std::nullopt);
  EXPECT_EQ(read<Point>("Box"), std::nullopt);
  EXPECT_EQ(read<Rect>("Broken"), std::nullopt);
  EXPECT_TRUE(lines().empty());
  // Values of no recognised kind print "Unexpected type".
  set("Size", sim::makeSizeValue({3, 4}));
  set("Err", sim::makeErrorValue(-25200));
  set("Flag", Object::makeBoolean(true));
  set("List", sim::makeArray({Object::makeString("a")}));
  set("Styled", sim::makeAttributedString("styled"));
  for (const char* name : {"Size", "Err", "Flag", "List", "Styled"}) {
    desk().clearDiagnosticLines();
    EXPECT_EQ(read<std::string>(name), std::nullopt) << name;
    EXPECT_EQ(lines(), std::vector<std::string>{"Unexpected type"}) << name;
  }
}

// No value is silent; every other error prints its code and what failed, never the value.
TEST_F(AttributesTest, ErrorCodesBecomeNothingWithTheirDiagnosticLines) {
  for (const auto& [code, line] : std::vector<std::pair<platform::AXErrorCode, std::string>>{
           {-25212, ""},
           {-25208, "-25208 Attribute not implemented"},
           {-25205, "-25205 Error retrieving attribute"}}) {
    desk().clearDiagnosticLines();
    desk().setAttributeError("field", "AXValue", code);
    EXPECT_EQ(read<std::string>("AXValue"), std::nullopt) << code;
    EXPECT_EQ(lines(), line.empty() ? std::vector<std::string>{} : std::vector<std::string>{line});
  }
  desk().clearDiagnosticLines();
  desk().destroyElement("field");
  EXPECT_EQ(ax::getAttributes(field()), std::nullopt);
  EXPECT_EQ(lines(), std::vector<std::string>{"-25202 Error retrieving attribute list"});
}

}  // namespace
}  // namespace axb::testing
