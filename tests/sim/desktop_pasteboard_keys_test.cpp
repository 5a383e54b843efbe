// Posted keys and the frontmost application's paste handling.
#include "platform/keyboard.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

TEST_F(SimDesktopTest, KeysThatAreNotAPasteIntoAnEditableFieldChangeNothing) {
  addEditor("text", {0, 4});
  desktop().addElement(kEditorPid, {.id = "label",
                                    .role = "AXTextField",
                                    .text = TextKind::Native,
                                    .value = "label",
                                    .editable = false});
  desktop().activate(kEditorPid);
  desktop().focus("area");
  postCommandV();  // nothing on the pasteboard when the editor handles it
  desktop().runFor(0.01);
  desktop().userCopies("pasted");
  postKey(kKeyCodeV, true, 0);  // V without Command types a "v", which this editor ignores
  desktop().runUntilIdle();
  EXPECT_EQ(desktop().text("area"), "text");

  desktop().focus("label");
  postCommandV();
  desktop().runUntilIdle();
  EXPECT_EQ(desktop().text("label"), "label");
}

}  // namespace
}  // namespace axb::sim::testing
