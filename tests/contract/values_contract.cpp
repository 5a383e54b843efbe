// Values: the platform's equality and hash, typed views, and elements compared by identity.
#include <optional>

#include "contract/contract_desktop.h"

namespace axb::contract {
namespace {

using platform::Object;

void expectEqual(const Object& a, const Object& b) {
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.hash(), b.hash());
}

TEST_F(BindingContract, ValuesCompareByContent) {
  expectEqual(Object(), Object());
  expectEqual(Object::makeString("caf\xC3\xA9"), Object::makeString("caf\xC3\xA9"));
  EXPECT_EQ(Object::makeString("caf\xC3\xA9").string(), "caf\xC3\xA9");
  EXPECT_NE(Object::makeString("a"), Object::makeString("b"));
  expectEqual(Object::makeNumber(0.0), Object::makeNumber(-0.0));
  EXPECT_NE(Object::makeNumber(1), Object::makeBoolean(true));  // a boolean is not a number
  EXPECT_EQ(Object::makeBoolean(true).number(), std::nullopt);
  EXPECT_EQ(Object::makeString("1").number(), std::nullopt);
  EXPECT_NE(Object(), Object::makeString(""));
  expectEqual(Object::makeRange({1, 2}), Object::makeRange({1, 2}));
  EXPECT_EQ(Object::makeRange({1, 2}).axRange(), (Range{1, 2}));
  EXPECT_NE(Object::makeRange({1, 2}), Object::makeRange({1, 3}));
}

TEST_F(ApplicationContract, ElementsCompareByIdentity) {
  const ProcessId pid = desktop().startEditor();
  const auto single = focusedField(pid, 0);
  const auto again = focusedField(pid, 0);
  const auto multi = focusedField(pid, 1);
  ASSERT_TRUE(single && again && multi);
  expectEqual(single->object(), again->object());
  EXPECT_NE(*single, *multi);
  EXPECT_NE(*single, platform::createApplicationElement(pid));
  EXPECT_EQ(platform::elementProcessId(*multi), pid);
}

}  // namespace
}  // namespace axb::contract
