// Replacing the selection by pasting, with the user's clipboard given back whole.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

// ---- Only into the followed application, and only when it can take the keystroke

class PasteTargetTest : public ReplaceTextTest {
 protected:
  // The pasteboard and every text field as they are, to compare after a cancelled paste.
  void expectNothingChanged(const std::string& cancelLine) {
    desk().runUntilIdle();
    EXPECT_EQ(lines(), std::vector<std::string>{cancelLine});
    EXPECT_TRUE(desk().postedKeyEvents().empty());
    EXPECT_EQ(desk().pasteboardChangeCount(), changeCountBefore_);
    EXPECT_EQ(desk().pasteboardItems(), (std::vector<PasteboardItem>{kImageAndRichText}));
    EXPECT_EQ(desk().text("notes.body"), "Hello wrld");
  }
  void SetUp() override {
    ReplaceTextTest::SetUp();
    desk().replacePasteboard({kImageAndRichText});
    changeCountBefore_ = desk().pasteboardChangeCount();
  }
  std::int64_t changeCountBefore_ = 0;
};

TEST_F(PasteTargetTest, AfterTheFollowedApplicationQuitNothingIsPastedAnywhere) {
  desk().terminate(kNotes);
  desk().runUntilIdle();
  forgetWhatHappened();
  setText("world");
  expectNothingChanged("paste cancelled: application not in front");
}

TEST_F(PasteTargetTest, ARefusedActivationCancelsThePasteAfterWaitingASecond) {
  desk().terminate(kNotes);
  desk().addApplication(
      {.pid = 11, .bundleId = "com.example.notes", .name = "Notes", .refusesActivation = true});
  desk().addElement(
      11,
      {.id = "notes2.body", .role = "AXTextArea", .text = sim::TextKind::Native, .value = "mine"});
  desk().focus("notes2.body");
  followApp(11);
  followApp(kHost);
  desk().addElement(
      kHost,
      {.id = "host.field", .role = "AXTextField", .text = sim::TextKind::Native, .value = "host"});
  desk().focus("host.field");
  forgetWhatHappened();
  const double before = desk().now();
  setText("world");
  EXPECT_NEAR(desk().now() - before, 1.2, 0.03);
  expectNothingChanged("paste cancelled: application not in front");
  EXPECT_EQ(desk().text("host.field"), "host");
  EXPECT_EQ(desk().text("notes2.body"), "mine");
}

TEST_F(PasteTargetTest, ASlowActivationWithinTheSecondStillPastes) {
  desk().terminate(kNotes);
  desk().addApplication(
      {.pid = 11, .bundleId = "com.example.notes", .name = "Notes", .activationSeconds = 0.9});
  desk().addElement(11, {.id = "notes2.body",
                         .role = "AXTextArea",
                         .text = sim::TextKind::Native,
                         .value = "Hello wrld",
                         .selection = {6, 4}});
  desk().focus("notes2.body");
  followApp(11);
  followApp(kHost);
  forgetWhatHappened();
  setText("world");
  desk().runUntilIdle();
  EXPECT_EQ(desk().text("notes2.body"), "Hello world");
  EXPECT_EQ(desk().pasteboardItems(), (std::vector<PasteboardItem>{kImageAndRichText}));
  EXPECT_EQ(lines(), (std::vector<std::string>{"pasted text: 5 characters", "Task ended"}));
}

TEST_F(PasteTargetTest, AHungApplicationIsNotPastedIntoAndTheClipboardIsLeftAlone) {
  desk().setResponsive(kNotes, false);
  setText("world");
  desk().setResponsive(kNotes, true);
  expectNothingChanged("paste cancelled: application not responding");
}

TEST_F(PasteTargetTest, AnUntrustedProcessPastesNothing) {
  desk().setTrusted(false);
  setText("world");
  expectNothingChanged("paste cancelled: not trusted");
}

// An application that hangs after it was found answering still gets the keystroke, once it wakes
// up; by then the clipboard is the user's again, so that is what it pastes. The library cannot
// take the keystroke back, and keeping its own text on the clipboard instead would lose the
// user's.
TEST_F(PasteTargetTest, AnApplicationThatHangsAfterTheCheckPastesTheRestoredClipboardLater) {
  desk().replacePasteboard({});
  desk().userCopies("theirs");
  // The check is made 0.2 s in; the keystroke reaches the application 5 ms after it.
  desk().atWorldTime(desk().now() + 0.202, [] { desk().setResponsive(kNotes, false); });
  setText("world");
  EXPECT_EQ(platform::pasteboardString(), "theirs");
  EXPECT_EQ(desk().text("notes.body"), "Hello wrld");
  desk().setResponsive(kNotes, true);
  desk().runUntilIdle();
  EXPECT_EQ(desk().text("notes.body"), "Hello theirs");
}

TEST_F(PasteTargetTest, ACopyOrAClearingDuringTheActivationWaitIsWhatComesBack) {
  desk().atWorldTime(desk().now() + 0.1, [] { desk().userCopies("copied meanwhile"); });
  setText("world");
  desk().runUntilIdle();
  EXPECT_EQ(desk().pasteboardItems().size(), 1u);
  EXPECT_EQ(platform::pasteboardString(), "copied meanwhile");
  EXPECT_EQ(desk().text("notes.body"), "Hello world");

  // A password manager clears what it put there: the password must not come back.
  desk().userCopies("password");
  desk().atWorldTime(desk().now() + 0.1, [] { desk().replacePasteboard({}); });
  setText("again");
  desk().runUntilIdle();
  EXPECT_TRUE(desk().pasteboardItems().empty());
}

}  // namespace
}  // namespace axb::testing
