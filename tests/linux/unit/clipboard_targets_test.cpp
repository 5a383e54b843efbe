// How pasteboard items map onto CLIPBOARD targets and back, and how INCR cuts large data.
#include "platform/linux/clipboard_targets.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace axb::platform::linux_clipboard {
namespace {

std::optional<std::string> dataOf(const Targets& targets, const std::string& name) {
  for (const auto& [target, data] : targets) {
    if (target == name) return data;
  }
  return std::nullopt;
}

TEST(ClipboardTargets, PlainTextIsUtf8StringAndTheTransientMarkIsThePasswordManagerHint) {
  EXPECT_EQ(targetForType(kPlainTextType), "UTF8_STRING");
  EXPECT_EQ(typeForTarget("UTF8_STRING"), kPlainTextType);
  EXPECT_EQ(targetForType(kTransientType), "x-kde-passwordManagerHint");
  EXPECT_EQ(typeForTarget("x-kde-passwordManagerHint"), kTransientType);
  EXPECT_EQ(targetForType("image/png"), "image/png");
  EXPECT_EQ(typeForTarget("text/html"), "text/html");
}

TEST(ClipboardTargets, TheLibrarysOwnWriteIsServedAsTextUnderEveryNameAndMarkedSecret) {
  const PasteboardItem item{{{kPlainTextType, "caf\xC3\xA9"}, {kTransientType, ""}}};
  const Targets targets = targetsFromItems({item});
  EXPECT_EQ(dataOf(targets, "UTF8_STRING"), "caf\xC3\xA9");
  EXPECT_EQ(dataOf(targets, "text/plain;charset=utf-8"), "caf\xC3\xA9");
  EXPECT_EQ(dataOf(targets, "TEXT"), "caf\xC3\xA9");
  // STRING is Latin-1.
  EXPECT_EQ(dataOf(targets, "STRING"), "caf\xE9");
  EXPECT_EQ(dataOf(targets, "x-kde-passwordManagerHint"), "secret");
}

TEST(ClipboardTargets, TextBeyondLatin1IsNotOfferedAsString) {
  const Targets targets = targetsFromItems({{{{kPlainTextType, "\xF0\x9F\x8C\x8D"}}}});
  EXPECT_FALSE(dataOf(targets, "STRING"));
  EXPECT_EQ(dataOf(targets, "UTF8_STRING"), "\xF0\x9F\x8C\x8D");
  EXPECT_FALSE(latin1FromUtf8("\xC3"));      // cut short
  EXPECT_FALSE(latin1FromUtf8("\xC3\x41"));  // not a continuation
}

TEST(ClipboardTargets, ARestoredClipboardIsServedByteForByteWithItsOwnAliases) {
  // What the user had copied, read back: its own STRING bytes win over a conversion.
  const Targets copied{{"UTF8_STRING", "na\xC3\xAFve"},
                       {"STRING", "legacy bytes"},
                       {"image/png", std::string("\x89PNG\0\x01", 6)}};
  const Targets served = targetsFromItems(itemsFromTargets(copied));
  EXPECT_EQ(dataOf(served, "STRING"), "legacy bytes");
  EXPECT_EQ(dataOf(served, "image/png"), std::string("\x89PNG\0\x01", 6));
  EXPECT_EQ(dataOf(served, "UTF8_STRING"), "na\xC3\xAFve");
  EXPECT_FALSE(dataOf(served, "x-kde-passwordManagerHint"));
}

TEST(ClipboardTargets, MetaTargetsAreNeverSavedNorServedAsContents) {
  const Targets offered{{"TARGETS", "x"},      {"MULTIPLE", "x"}, {"TIMESTAMP", "x"},
                        {"SAVE_TARGETS", "x"}, {"DELETE", "x"},   {"text/html", "<b>hi</b>"}};
  const auto items = itemsFromTargets(offered);
  ASSERT_EQ(items.size(), 1u);
  ASSERT_EQ(items[0].representations.size(), 1u);
  EXPECT_EQ(items[0].representations[0].first, "text/html");
  EXPECT_TRUE(itemsFromTargets({{"TARGETS", "x"}}).empty());
}

TEST(ClipboardTargets, LaterItemsOnlyAddTargetsTheEarlierOnesLack) {
  const PasteboardItem first{{{"text/html", "first"}}};
  const PasteboardItem second{{{"text/html", "second"}, {"image/png", "png"}}};
  const Targets targets = targetsFromItems({first, second});
  EXPECT_EQ(dataOf(targets, "text/html"), "first");
  EXPECT_EQ(dataOf(targets, "image/png"), "png");
  EXPECT_TRUE(targetsFromItems({}).empty());
}

TEST(IncrChunks, SendsTheDataInChunksThenAnEmptyOne) {
  IncrChunks chunks(std::make_shared<const std::string>("abcdefg"), 3);
  EXPECT_EQ(chunks.next(), "abc");
  EXPECT_EQ(chunks.next(), "def");
  EXPECT_FALSE(chunks.finished());
  EXPECT_EQ(chunks.next(), "g");
  EXPECT_FALSE(chunks.finished());
  EXPECT_EQ(chunks.next(), "");
  EXPECT_TRUE(chunks.finished());
}

TEST(IncrChunks, AnExactMultipleStillEndsWithAnEmptyChunk) {
  IncrChunks chunks(std::make_shared<const std::string>(6, 'x'), 3);
  std::string joined;
  int count = 0;
  for (std::string_view chunk = chunks.next(); !chunk.empty(); chunk = chunks.next()) {
    joined += chunk;
    ++count;
  }
  EXPECT_EQ(joined, std::string(6, 'x'));
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(chunks.finished());
}

}  // namespace
}  // namespace axb::platform::linux_clipboard
