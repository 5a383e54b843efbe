// The pasteboard boundary on a real X11 display: the change count against other clients'
// copies, what the library owns as others read it, and owners that misbehave.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/clipboard_clients.h"
#include "e2e/clipboard_reader.h"
#include "e2e/desktop_session.h"
#include "platform/pasteboard.h"

namespace axb::e2e {
namespace {

const platform::PasteboardItem kTextItem{{{platform::kPlainTextType, "own ✓ text"}}};

TEST(Clipboard, TheCountAWriteAnswersHoldsUntilAnotherClientCopiesWhoseHangCostsAReadASecond) {
  const std::int64_t written = *platform::pasteboardReplace({kTextItem});
  EXPECT_EQ(platform::pasteboardChangeCount(), written);
  pumpFor(0.2);  // the main context serves meanwhile; nothing changes the count
  EXPECT_EQ(platform::pasteboardChangeCount(), written);

  auto other = copyInAnotherClient({{"UTF8_STRING", "theirs"}, {"text/html", "<i>theirs</i>"}});
  ASSERT_TRUE(other);
  // Asked at once: the other client's change is seen without waiting for the main context.
  const std::int64_t afterTheirs = platform::pasteboardChangeCount();
  EXPECT_NE(afterTheirs, written);
  EXPECT_EQ(platform::pasteboardString(), "theirs");

  // An owner that does not answer costs a read about a second; answering again, it is read whole.
  ::kill(other->pid(), SIGSTOP);
  const double began = monotonicSeconds();
  const auto items = platform::pasteboardItems();
  const double took = monotonicSeconds() - began;
  ::kill(other->pid(), SIGCONT);
  EXPECT_TRUE(items.empty());
  EXPECT_LT(took, 2.5);
  const auto later = platform::pasteboardItems();
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(later[0].representations.size(), 2u) << later[0].representations[0].first;
  // The client going away empties the clipboard, which is a change too.
  ::kill(other->pid(), SIGKILL);
  ASSERT_TRUE(other->waitForExit());
  EXPECT_TRUE(pumpUntil([&] { return platform::pasteboardChangeCount() != afterTheirs; }));
  EXPECT_TRUE(platform::pasteboardItems().empty());
}

TEST(Clipboard, WhatTheLibraryOwnsOrEmptiesReadsTheSameHereAndElsewhere) {
  const std::string image = pngImage();
  const platform::PasteboardItem item{
      {{platform::kPlainTextType, "café"}, {"text/html", "<b>café</b>"}, {"image/png", image}}};
  platform::pasteboardReplace({item});
  const auto items = platform::pasteboardItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].representations[0], item.representations[0]);
  EXPECT_EQ(platform::pasteboardString(), "café");

  // Targets other clients ask for, besides those read below.
  const auto targets = clipboardTargets();
  for (const char* expected : {"TIMESTAMP", "TEXT", "text/plain;charset=utf-8"}) {
    EXPECT_NE(std::find(targets.begin(), targets.end(), expected), targets.end()) << expected;
  }
  EXPECT_EQ(readClipboard("STRING"), "caf\xE9");
  EXPECT_EQ(readClipboard("text/html"), "<b>café</b>");
  EXPECT_TRUE(readClipboard("image/png") == image);  // large: sent in chunks

  // No items leave the clipboard empty, for the others too.
  platform::pasteboardReplace({});
  EXPECT_FALSE(readClipboard("UTF8_STRING", 3.0));
}

}  // namespace
}  // namespace axb::e2e
