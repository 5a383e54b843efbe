// The general pasteboard, round trip by round trip. The user's own contents are saved first and
// given back at the end.
#include "platform/pasteboard.h"

#import <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace axb::platform {
namespace {

using Representation = std::pair<std::string, std::string>;

bool offers(const PasteboardItem& item, const Representation& representation) {
  const auto& offered = item.representations;
  return std::find(offered.begin(), offered.end(), representation) != offered.end();
}

class PasteboardTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = pasteboardItems(); }
  void TearDown() override { pasteboardReplace(saved_); }

 private:
  std::vector<PasteboardItem> saved_;
};

// The system may add types of its own; every type written must come back with its exact bytes.
TEST_F(PasteboardTest, ItemsComeBackWithEveryTypeAndTheirExactBytes) {
  const PasteboardItem text{{{kPlainTextType, "h\xC3\xA9llo \xF0\x9F\x98\x80"},
                             {"public.rtf", "{\\rtf1 hello}"},
                             {"com.example.axbridge-test", std::string("\0\x01\xFF", 3)},
                             {kTransientType, ""}}};
  const PasteboardItem file{{{"public.file-url", "file:///tmp/report.pdf"}}};

  const std::int64_t before = pasteboardChangeCount();
  const std::int64_t after = pasteboardReplace({text, file});
  EXPECT_GT(after, before);
  EXPECT_EQ(pasteboardChangeCount(), after);

  const std::vector<PasteboardItem> items = pasteboardItems();
  ASSERT_EQ(items.size(), 2u);
  for (const auto& representation : text.representations) {
    EXPECT_TRUE(offers(items[0], representation)) << representation.first;
  }
  EXPECT_TRUE(offers(items[1], file.representations[0]));
  EXPECT_EQ(pasteboardString(), "h\xC3\xA9llo \xF0\x9F\x98\x80");
  // Reading does not count as a change.
  EXPECT_EQ(pasteboardChangeCount(), after);
}

TEST_F(PasteboardTest, ReplacingWithNothingEmptiesItAndStillCountsAChange) {
  pasteboardReplace({PasteboardItem{{{kPlainTextType, "x"}}}});
  const std::int64_t before = pasteboardChangeCount();
  EXPECT_GT(pasteboardReplace({}), before);
  EXPECT_TRUE(pasteboardItems().empty());
  EXPECT_EQ(pasteboardString(), std::nullopt);
}

TEST_F(PasteboardTest, TheStringComesFromTheFirstItemThatHasOne) {
  pasteboardReplace({PasteboardItem{{{"public.png", "\x89PNG"}}},
                     PasteboardItem{{{kPlainTextType, "second"}}},
                     PasteboardItem{{{kPlainTextType, "third"}}}});
  EXPECT_EQ(pasteboardString(), "second");
}

TEST_F(PasteboardTest, AnotherWriterShowsInTheChangeCount) {
  const std::int64_t ours = pasteboardReplace({PasteboardItem{{{kPlainTextType, "ours"}}}});
  NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
  [pasteboard clearContents];
  [pasteboard setString:@"theirs" forType:NSPasteboardTypeString];
  EXPECT_GT(pasteboardChangeCount(), ours);
  EXPECT_EQ(pasteboardString(), "theirs");
}

}  // namespace
}  // namespace axb::platform
