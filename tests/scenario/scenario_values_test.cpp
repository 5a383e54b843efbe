// Values written in scenarios become the platform objects the library reads, wrapped values and
// references included; anything ambiguous or out of range is refused with its path.
#include "sim_host/scenario_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/process_state.h"
#include "platform/accessibility.h"
#include "sim_desktop/desktop.h"
#include "sim_desktop/values.h"

namespace axb::sim::scenario {
namespace {

using platform::Object;
using platform::ValueKind;

class ScenarioValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bridge::resetProcessState();
    Desktop::reset();
    desktop().setEchoDiagnostics(false);
    desktop().addApplication({501, "com.example.notes", "Notes", true});
    desktop().addElement(
        501, {.id = "body", .role = "AXTextArea", .text = TextKind::Web, .value = "Buy milk"});
  }

  static Desktop& desktop() { return Desktop::current(); }

  // Decodes the JSON text as a value at path "v" and builds it on the desktop.
  Object build(const std::string& text) {
    const Json json = Json::parse(text);
    references.clear();
    return buildValue(decodeValue(Node(json, "v"), references), desktop());
  }
  static std::string decodeError(const std::string& text) {
    const Json json = Json::parse(text);
    std::vector<ElementReference> refs;
    try {
      decodeValue(Node(json, "v"), refs);
    } catch (const ScenarioError& e) {
      return e.what();
    }
    return "";
  }

  std::vector<ElementReference> references;
};

TEST_F(ScenarioValuesTest, ElementsAndMarkerRangesReferToLiveDesktopElements) {
  const Object element = build(R"({"element": "body"})");
  ASSERT_EQ(element.kind(), ValueKind::Element);
  EXPECT_EQ(desktop().elementId(*platform::Element::from(element)), "body");

  // Start after end is allowed: such ranges exist on the platform.
  const Object markers = build(R"({"marker_range": ["body", 6, 2]})");
  ASSERT_EQ(markers.kind(), ValueKind::TextMarkerRange);
  const auto* start = payloadAs<TextMarkerValue>(platform::textMarkerRangeStart(markers));
  const auto* end = payloadAs<TextMarkerValue>(platform::textMarkerRangeEnd(markers));
  ASSERT_TRUE(start && end);
  EXPECT_EQ(start->offset, 6);
  EXPECT_EQ(end->offset, 2);
  EXPECT_EQ(start->element.lock(), end->element.lock());

  // Resolved when built: an element that is not on the desktop is an error, not a crash.
  EXPECT_THROW(build(R"({"element": "ghost"})"), ScenarioError);
  EXPECT_THROW(build(R"([{"marker_range": ["ghost", 0, 1]}])"), ScenarioError);
}

TEST_F(ScenarioValuesTest, AmbiguousOrOutOfRangeValuesAreRefusedWithTheirPath) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"null", "v: null is not a value"},
      {"{}", "v: a typed value has exactly one key"},
      {R"([{"error": -25212}])",
       "v[0]: an attribute override ({\"error\": ...}) stands for a whole attribute"},
      {R"({"rect": [1, 2, 3, "4"]})", "v.rect[3]: must be a number, not a string"},
      {R"({"range": [18446744073709551615, 2]})", "v.range[0]: must be between"},
      {R"({"marker_range": ["body", -1, 2]})", "v.marker_range[1]: must be between 0"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    EXPECT_NE(decodeError(text).find(message), std::string::npos) << decodeError(text);
  }
}

}  // namespace
}  // namespace axb::sim::scenario
