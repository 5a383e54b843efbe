// Replacing the selection by pasting, with the user's clipboard given back whole.
#include "ax/paste.h"
#include "platform/pasteboard.h"
#include "support/desktop_fixture.h"

namespace axb::testing {
namespace {

using platform::PasteboardItem;

const PasteboardItem kImageAndRichText{
    {{"public.png", std::string("\x89PNG\r\n\x1a\n\0\x01", 10)}, {"public.rtf", "{\\rtf1 Hello}"}}};
const PasteboardItem kFile{{{"public.file-url", "file:///tmp/report.pdf"}}};

class ReplaceTextTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    addNotesApp("Hello wrld", {6, 4});
    initAndStart();
    followApp(kNotes);
    bringHostToFront();  // the user is in the host when it asks for the replacement
    forgetWhatHappened();
  }
};

TEST_F(ReplaceTextTest, PastesIntoTheFollowedApplicationAndRestoresEveryItem) {
  desk().replacePasteboard({kImageAndRichText, kFile});
  const double before = desk().now();
  setText("world");
  EXPECT_GE(desk().now() - before, 1.2);
  desk().runUntilIdle();

  EXPECT_EQ(desk().text("notes.body"), "Hello world");
  EXPECT_EQ(desk().selection("notes.body"), (Range{11, 0}));
  EXPECT_EQ(desk().pasteboardItems(), (std::vector<PasteboardItem>{kImageAndRichText, kFile}));

  const auto& keys = desk().postedKeyEvents();
  ASSERT_EQ(keys.size(), 4u);
  const std::vector<std::pair<int, bool>> order = {{55, true}, {9, true}, {9, false}, {55, false}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(keys[i].keyCode, order[i].first);
    EXPECT_EQ(keys[i].keyDown, order[i].second);
    EXPECT_EQ(keys[i].flags, 0x100000u);
    EXPECT_EQ(keys[i].tap, 0);
    EXPECT_EQ(keys[i].sourceState, 1);
  }
  EXPECT_EQ(lines(), (std::vector<std::string>{"pasted text: 5 characters", "Task ended"}));
}

TEST_F(ReplaceTextTest, LogsCountsNotText) {
  desk().userCopies("secret 😀");
  setText("hunter2");
  for (const auto& line : lines()) {
    EXPECT_EQ(line.find("secret"), std::string::npos);
    EXPECT_EQ(line.find("hunter2"), std::string::npos);
  }
  EXPECT_EQ(lines(), (std::vector<std::string>{"saved pasteboard text: 9 characters",
                                               "pasted text: 7 characters", "Task ended"}));
  EXPECT_EQ(platform::pasteboardString(), "secret 😀");
}

TEST_F(ReplaceTextTest, TheLibrarysOwnWriteIsMarkedTransient) {
  std::vector<PasteboardItem> seenByOthers;
  desk().setRequestHook({});
  desk().atWorldTime(desk().now() + 0.5, [&] { seenByOthers = desk().pasteboardItems(); });
  setText("x");
  ASSERT_EQ(seenByOthers.size(), 1u);
  const auto& types = seenByOthers[0].representations;
  EXPECT_NE(std::find_if(types.begin(), types.end(),
                         [](const auto& t) { return t.first == platform::kTransientType; }),
            types.end());
}

TEST_F(ReplaceTextTest, CopyDuringTheWaitIsKept) {
  desk().replacePasteboard({kFile});
  desk().atWorldTime(desk().now() + 0.8, [] { desk().userCopies("copied meanwhile"); });
  setText("world");
  desk().runUntilIdle();
  EXPECT_EQ(platform::pasteboardString(), "copied meanwhile");
  EXPECT_EQ(desk().pasteboardItems().size(), 1u);
}

TEST_F(ReplaceTextTest, EmptyPasteboardStaysEmpty) {
  desk().replacePasteboard({});
  setText("");
  desk().runUntilIdle();
  EXPECT_TRUE(desk().pasteboardItems().empty());
  EXPECT_EQ(desk().postedKeyEvents().size(), 4u);
}

TEST_F(ReplaceTextTest, NothingRunsOnTheMainThreadDuringTheWait) {
  desk().select("notes.body", {0, 5});  // its notification waits for the run loop
  bool ranDuringWait = false;
  const double start = desk().now();
  desk().dispatchAfterOnMainQueue(0.1, [&] { ranDuringWait = desk().now() < start + 1.2; });
  setText("Howdy");
  EXPECT_FALSE(ranDuringWait);
  EXPECT_TRUE(received().empty());
  desk().runUntilIdle();
  EXPECT_EQ(desk().text("notes.body"), "Howdy wrld");
}

TEST_F(ReplaceTextTest, IllFormedUtf8IsPastedWithReplacementCharacters) {
  setText("ok\xFF");
  desk().runUntilIdle();
  EXPECT_EQ(desk().text("notes.body"), "Hello ok\xEF\xBF\xBD");
}

TEST_F(ReplaceTextTest, DelayWithZeroOrNegativeDurationReturnsAtOnce) {
  const double before = desk().now();
  ax::delay(0);
  ax::delay(-5);
  ax::delay(std::nan(""));
  EXPECT_EQ(desk().now(), before);
  ax::delay(0.25);
  EXPECT_DOUBLE_EQ(desk().now(), before + 0.25);
}

}  // namespace
}  // namespace axb::testing
