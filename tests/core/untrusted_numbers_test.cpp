// Numbers another application hands out are untrusted: counts below zero, carets beyond the
// text, ranges past the 64-bit limit and geometry that is not finite count as absent, and the host
// still gets a well-formed answer (or none) instead of a crash or a silently dropped event.
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "ax/attributes.h"
#include "sim_desktop/values.h"
#include "support/desktop_fixture.h"

namespace axb::testing {
namespace {

using nlohmann::json;
using platform::Object;

constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

class UntrustedNumbersTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    addNotesApp("first line\nsecond");  // 17 characters
    initAndStart();
    followApp(kNotes);
    forgetWhatHappened();
  }
  static void answerCount(double count) {
    desk().setAttribute("notes.body", "AXNumberOfCharacters", Object::makeNumber(count));
  }
  static std::optional<Range> rangeAnswered(Range range) {
    desk().setAttribute("notes.body", "Span", sim::makeRangeValue(range));
    return ax::getAttributeValue<Range>(desk().element("notes.body"), "Span");
  }
};

TEST_F(UntrustedNumbersTest, ACaretBeyondTheCountIsNoCaretAndANegativeCountNoAnswer) {
  desk().select("notes.body", {13, 0});
  answerCount(5);
  json answer = askForContext();  // not const: a missing key reads as null
  // The selection snapshot, which names the application, rather than the text above a caret.
  EXPECT_EQ(answer["selected_text"], "");
  EXPECT_EQ(answer["bundle_id"], "com.example.notes");
  desk().select("notes.body", {5, 0});  // at the count: still a caret
  answer = askForContext();
  EXPECT_EQ(answer["selected_text"], "first");
  EXPECT_FALSE(answer.contains("bundle_id"));
  // A negative count gives no answer at all.
  for (const auto& [count, caret] :
       {std::pair{-5.0, std::int64_t{3}}, std::pair{-9.223372036854775808e18, kInt64Min}}) {
    desk().setAttribute("notes.body", "AXSelectedTextRange", sim::makeRangeValue({caret, 0}));
    answerCount(count);
    EXPECT_TRUE(askForContext().is_null()) << count;
  }
}

TEST_F(UntrustedNumbersTest, RangesRunningBackwardsOrPastTheInt64LimitAreAbsent) {
  for (const auto& [range, plausible] :
       {std::pair{Range{kInt64Max - 5, 5}, true}, std::pair{Range{kInt64Max, 0}, true},
        std::pair{Range{kInt64Max - 5, 6}, false}, std::pair{Range{kInt64Max, kInt64Max}, false},
        std::pair{Range{-1, 3}, false}, std::pair{Range{3, -1}, false},
        std::pair{Range{kInt64Min, 0}, false}}) {
    EXPECT_EQ(rangeAnswered(range), plausible ? std::optional(range) : std::nullopt)
        << range.location << ", " << range.length;
  }
}

// Around a caret the geometry is null; around a selection the message comes instead.
TEST_F(UntrustedNumbersTest, NonFiniteBoundsGiveNullGeometryOrTheMessage) {
  const json nullGeometry{{"selected_text", "first"},
                          {"is_editable", true},
                          {"position", {{"x", nullptr}, {"y", nullptr}}},
                          {"size", {{"width", nullptr}, {"height", nullptr}}}};
  const json message{
      {"message", "something is wrong com"}, {"bundle_id", "com.example.notes"}, {"name", "Notes"}};
  for (const auto& [selection, bounds, expected] :
       {std::tuple{Range{5, 0}, Rect{kNaN, 144, 7, 16}, nullGeometry},
        std::tuple{Range{5, 0}, Rect{114, 144, 7, kInfinity}, nullGeometry},
        std::tuple{Range{5, 0}, Rect{-kInfinity, 144, 7, 16}, nullGeometry},
        std::tuple{Range{0, 5}, Rect{kNaN, 144, 35, 16}, message},
        std::tuple{Range{0, 5}, Rect{114, 144, kInfinity, 16}, message},
        std::tuple{Range{0, 5}, Rect{114, -kInfinity, 35, 16}, message}}) {
    desk().select("notes.body", selection);
    desk().setParameterizedAttribute("notes.body", "AXBoundsForRange", sim::makeRectValue(bounds));
    EXPECT_EQ(askForContext(), expected) << bounds.x << " " << bounds.width;
  }
}

}  // namespace
}  // namespace axb::testing
