// The general pasteboard, round trip by round trip. The user's own contents are saved first and
// given back at the end.
#include "platform/pasteboard.h"

#import <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

#include "platform/mac/pasteboard_bounds.h"

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
  const std::int64_t after = *pasteboardReplace({text, file});
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
  const std::int64_t ours = *pasteboardReplace({PasteboardItem{{{kPlainTextType, "ours"}}}});
  NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
  [pasteboard clearContents];
  [pasteboard setString:@"theirs" forType:NSPasteboardTypeString];
  EXPECT_GT(pasteboardChangeCount(), ours);
  EXPECT_EQ(pasteboardString(), "theirs");
}

// A password manager's item is not read (its marker alone comes back); every other type is,
// dynamic ones included: an application's own format may have no declared type.
TEST_F(PasteboardTest, ConcealedItemsAreNotReadAndEveryOtherTypeIs) {
  NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
  [pasteboard clearContents];
  NSPasteboardItem* secret = [[NSPasteboardItem alloc] init];
  [secret setString:@"hunter2" forType:NSPasteboardTypeString];
  [secret setData:[NSData data] forType:@(kConcealedType)];
  NSPasteboardItem* note = [[NSPasteboardItem alloc] init];
  [note setString:@"note" forType:NSPasteboardTypeString];
  const char* dynamicType = "dyn.ah62d4rv4gu8yc6durvwwaznwmuuha2pxsvw0e55bsmwca7d3sbwu";
  [note setData:[NSData dataWithBytes:"x" length:1] forType:@(dynamicType)];
  NSArray<NSPasteboardItem*>* items = @[ secret, note ];
  ASSERT_TRUE([pasteboard writeObjects:items]);

  const PasteboardContents contents = pasteboardContents();
  EXPECT_EQ(contents.unreadTypes, 0u);
  ASSERT_EQ(contents.items.size(), 2u);
  EXPECT_EQ(contents.items[0], (PasteboardItem{{{kConcealedType, ""}}}));
  EXPECT_TRUE(offers(contents.items[1], Representation{kPlainTextType, "note"}));
  EXPECT_TRUE(offers(contents.items[1], Representation{dynamicType, "x"}));
}

// No type is read once the time is up, nor one that would take what is kept beyond the bytes,
// which ends the read; what is left out counts as unread.
TEST_F(PasteboardTest, ASnapshotStopsReadingAtItsBounds) {
  const std::string ten = "0123456789";
  ASSERT_TRUE(pasteboardReplace(
      {PasteboardItem{{{"com.example.a", ten}, {"com.example.b", ten}, {"com.example.c", ten}}}}));
  const std::size_t listed = [NSPasteboard generalPasteboard].pasteboardItems[0].types.count;
  for (const auto& [bounds, kept] : {std::pair{mac::SnapshotBounds{0, 1000}, std::size_t{0}},
                                     std::pair{mac::SnapshotBounds{60, 25}, std::size_t{2}}}) {
    const PasteboardContents contents = mac::pasteboardContents(bounds);
    ASSERT_EQ(contents.items.size(), 1u);
    EXPECT_EQ(contents.items[0].representations.size(), kept);
    EXPECT_EQ(contents.unreadTypes, listed - kept);
  }
}

// Universal Clipboard cannot be watched from here; the write itself must still happen.
TEST_F(PasteboardTest, AWriteForThisDeviceOnlyIsAnOrdinaryWriteHere) {
  const PasteboardItem generated{
      {{kPlainTextType, "ours"}, {kTransientType, ""}, {kAutoGeneratedType, ""}}};
  const auto written = pasteboardReplace({generated}, PasteboardReach::ThisDeviceOnly);
  ASSERT_TRUE(written);
  EXPECT_EQ(pasteboardChangeCount(), *written);
  const auto items = pasteboardItems();
  ASSERT_EQ(items.size(), 1u);
  for (const auto& representation : generated.representations) {
    EXPECT_TRUE(offers(items[0], representation)) << representation.first;
  }
}

}  // namespace
}  // namespace axb::platform
