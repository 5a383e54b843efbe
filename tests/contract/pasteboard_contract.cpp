// The pasteboard: what this process writes is read back, byte for byte, and every write counts as
// a change; an empty write leaves nothing to read.
#include <algorithm>
#include <optional>
#include <string>

#include "contract/contract_desktop.h"
#include "platform/pasteboard.h"

namespace axb::contract {
namespace {

using platform::PasteboardItem;

std::optional<std::string> dataOf(const PasteboardItem& item, const std::string& type) {
  const auto& all = item.representations;
  const auto it =
      std::find_if(all.begin(), all.end(), [&](const auto& r) { return r.first == type; });
  if (it == all.end()) return std::nullopt;
  return it->second;
}

TEST_F(BindingContract, AWriteIsReadBackAndCountsAsAChange) {
  const std::string text = "caf\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80";
  const std::string png("\x89PNG\0\r\n", 7), image = desktop().imageType();
  const auto before = platform::pasteboardChangeCount();
  const auto written =
      platform::pasteboardReplace({{{{platform::kPlainTextType, text}, {image, png}}}});
  ASSERT_TRUE(written);
  EXPECT_GT(*written, before);
  EXPECT_EQ(platform::pasteboardChangeCount(), *written);
  EXPECT_EQ(platform::pasteboardString(), text);
  const auto contents = platform::pasteboardContents();
  ASSERT_EQ(contents.items.size(), 1u);
  // A desktop may offer the text under more types too.
  EXPECT_EQ(dataOf(contents.items[0], platform::kPlainTextType), text);
  EXPECT_EQ(dataOf(contents.items[0], image), png);
  EXPECT_EQ(contents.unreadTypes, 0u);

  const auto cleared = platform::pasteboardReplace({});
  ASSERT_TRUE(cleared);
  EXPECT_GT(*cleared, *written);
  EXPECT_EQ(platform::pasteboardString(), std::nullopt);
  EXPECT_TRUE(platform::pasteboardContents().items.empty());
}

}  // namespace
}  // namespace axb::contract
