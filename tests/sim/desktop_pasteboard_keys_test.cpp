// Posted keys and the frontmost application's paste handling, and the desktop's state.
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "platform/keyboard.h"
#include "platform/pasteboard.h"
#include "support/desktop_fixture.h"

namespace axb::sim::testing {
namespace {

platform::PasteboardItem item(std::vector<std::pair<std::string, std::string>> representations) {
  return {std::move(representations)};
}

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

TEST_F(SimDesktopTest, StateJsonDescribesTheDesktopAsValidUtf8) {
  addEditor("caf\xC3\xA9", {0, 1});
  desktop().addApplication({300, std::nullopt, "bad \xFF name", true});
  desktop().activate(kEditorPid);
  desktop().focus("area");
  desktop().setAttributeError("area", "AXRole", -25204);
  desktop().replacePasteboard({item({{"public.png", std::string("\x89PNG\0", 5)}}),
                               item({{platform::kPlainTextType, "plain"}})});
  const auto state = nlohmann::json::parse(desktop().stateJson());  // throws on bad UTF-8
  EXPECT_EQ(state["frontmost"], kEditorPid);
  const auto& editor = state["applications"][0];
  EXPECT_EQ(editor["focused"], "area");
  EXPECT_EQ(editor["elements"][1]["text"], "caf\xC3\xA9");
  EXPECT_EQ(editor["elements"][1]["overrides"]["AXRole"]["error"], -25204);
  EXPECT_EQ(state["applications"][1]["bundle_id"], nullptr);
  EXPECT_EQ(state["pasteboard"]["items"][0][0]["data_base64"], "iVBORwA=");
  EXPECT_EQ(state["pasteboard"]["items"][1][0]["data"], "plain");
}

}  // namespace
}  // namespace axb::sim::testing
