// Platform objects of the simulated desktop: typed views and the platform's equality.
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "sim_desktop/values.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

using platform::Object;

void expectEqual(const Object& a, const Object& b) {
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.hash(), b.hash());
}

TEST_F(SimDesktopTest, ValuesCompareByContentElementsByIdentity) {
  addEditor();
  expectEqual(Object::makeString("a"), Object::makeString("a"));
  expectEqual(Object::makeNumber(0.0), Object::makeNumber(-0.0));
  EXPECT_NE(Object::makeNumber(1), Object::makeBoolean(true));  // CFBoolean is not a number
  expectEqual(makeArray({Object::makeString("x"), makeRangeValue({1, 2})}),
              makeArray({Object::makeString("x"), makeRangeValue({1, 2})}));
  EXPECT_NE(makeArray({Object::makeString("x")}), makeArray({Object::makeString("y")}));
  EXPECT_NE(makePointValue({1, 2}), makeSizeValue({1, 2}));
  EXPECT_NE(Object(), Object::makeString(""));

  expectEqual(desktop().element("area").object(), desktop().element("area").object());
  EXPECT_NE(desktop().element("area").object(), desktop().element("win").object());
  // Markers compare by (element, offset), also once their element is gone.
  const auto nodeOf = [](const std::string& id) {
    return *payloadAs<std::shared_ptr<ElementNode>>(desktop().element(id).object());
  };
  Object marker, same;
  {
    const auto area = nodeOf("area");
    marker = makeTextMarker(area, 3);
    same = makeTextMarker(area, 3);
    EXPECT_NE(marker, makeTextMarker(area, 4));
    EXPECT_NE(marker, makeTextMarker(nodeOf("win"), 3));
  }
  Desktop::reset();
  expectEqual(marker, same);
}

}  // namespace
}  // namespace axb::sim::testing
