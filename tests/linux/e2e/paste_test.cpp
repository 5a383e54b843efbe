// Replacing the selection through the clipboard on a real X11 desktop: the library owns
// CLIPBOARD, posts Control-V into the followed GTK application, and gives the user's clipboard
// back afterwards, every target of it, unless someone copied meanwhile. The clipboard is read
// back with xclip, as any other application would read it.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "axbridge/axbridge.h"
#include "e2e/clipboard_clients.h"
#include "e2e/clipboard_reader.h"
#include "e2e/desktop_session.h"
#include "e2e/host_test.h"

namespace axb::e2e {
namespace {

bool contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

class PasteTest : public HostTest {
 protected:
  // The application's text becomes the expected one (the paste lands during the library's
  // wait, but the application may report it a moment later on a busy machine).
  static bool textBecomes(ChildApp& app, const std::string& widget, const std::string& expected) {
    return pumpUntil([&] { return textOf(app, widget) == expected; }, 10.0);
  }

  // When the application's text last changed, on this process's monotonic clock.
  static double changedAt(ChildApp& app) {
    const Json answer = app.ask("text entry").value_or(Json());
    return answer.is_object() ? answer.value("changed_at", -1.0) : -1;
  }

  // Replaces the selection with text; the widget's text becomes the expected one, and the
  // application pasted while the library waited (and answered its clipboard request), not after
  // the library gave the clipboard back.
  static void replaceAndExpect(ChildApp& app, const std::string& widget, const std::string& text,
                               const std::string& expected) {
    const double began = monotonicSeconds();
    setText(text.c_str());
    const double returned = monotonicSeconds();
    EXPECT_TRUE(textBecomes(app, widget, expected)) << textOf(app, widget);
    const double landed = changedAt(app);
    EXPECT_GT(landed, began);
    EXPECT_LT(landed, returned);
  }

  static void selectIn(ChildApp& app, const std::string& widget, int start, int end) {
    ASSERT_TRUE(
        app.ask("focus " + widget) &&
        app.ask("select " + widget + " " + std::to_string(start) + " " + std::to_string(end)));
  }
};

// Each write is marked for clipboard managers to skip, as password managers mark theirs.
TEST_F(PasteTest, ReplacesTheSelectionInAnEntryAndATextViewMarkingItsWrite) {
  TextAppOptions options;
  options.entryText = "hello world";
  options.viewText = "first line\nsecond line";
  auto app = follow(options);
  ASSERT_TRUE(app);
  selectIn(*app, "entry", 6, 11);
  replaceAndExpect(*app, "entry", "wörld 🌍", "hello wörld 🌍");
  // What the clipboard offered while the application pasted.
  Json pasted;
  ASSERT_TRUE(pumpUntil([&] {
    pasted = app->ask("pasted").value_or(Json());
    return pasted.is_object() && !pasted["targets"].is_null() && !pasted["hint"].is_null();
  }));
  const auto targets = pasted["targets"].get<std::vector<std::string>>();
  EXPECT_TRUE(contains(targets, "x-kde-passwordManagerHint")) << pasted.dump();
  EXPECT_TRUE(contains(targets, "UTF8_STRING")) << pasted.dump();
  EXPECT_EQ(pasted["hint"], "secret");

  selectIn(*app, "view", 11, 17);
  replaceAndExpect(*app, "view", "zweite 🎉\ndritte", "first line\nzweite 🎉\ndritte line");
}

TEST_F(PasteTest, GivesBackEveryTargetAfterItsOwnerIsGoneButAPasswordManagersSecret) {
  const std::string image = pngImage();
  auto owner = copyInAnotherClient({{"UTF8_STRING", "copied ✂ text"},
                                    {"text/plain;charset=utf-8", "copied ✂ text"},
                                    {"image/png", image}});
  ASSERT_TRUE(owner);
  TextAppOptions options;
  options.entryText = "abc";
  auto app = follow(options);
  ASSERT_TRUE(app);
  selectIn(*app, "entry", 1, 2);

  setText("B");
  ASSERT_TRUE(textBecomes(*app, "entry", "aBc")) << textOf(*app, "entry");
  // The client that copied is gone: only the library can still answer.
  ::kill(owner->pid(), SIGKILL);
  ASSERT_TRUE(owner->waitForExit());

  const auto targets = clipboardTargets();
  EXPECT_TRUE(contains(targets, "UTF8_STRING"));
  EXPECT_TRUE(contains(targets, "text/plain;charset=utf-8"));
  EXPECT_TRUE(contains(targets, "image/png"));
  EXPECT_FALSE(contains(targets, "x-kde-passwordManagerHint"));
  EXPECT_EQ(readClipboard("UTF8_STRING"), "copied ✂ text");
  EXPECT_EQ(readClipboard("text/plain;charset=utf-8"), "copied ✂ text");
  EXPECT_TRUE(readClipboard("image/png") == image);

  // Given back, a secret would stay: the manager clears it only while it still owns the clipboard.
  auto manager =
      copyInAnotherClient({{"UTF8_STRING", "hunter2"}, {"x-kde-passwordManagerHint", "secret"}});
  ASSERT_TRUE(manager);
  selectIn(*app, "entry", 0, 1);
  setText("A");
  ASSERT_TRUE(textBecomes(*app, "entry", "ABc")) << textOf(*app, "entry");
  EXPECT_FALSE(readClipboard("UTF8_STRING"));
}

TEST_F(PasteTest, HandsTheGivenBackClipboardToARunningClipboardManager) {
  auto manager = std::make_unique<ChildApp>(std::vector<std::string>{AXBRIDGE_CLIPBOARD_MANAGER});
  const auto running = manager->nextLine(10.0);
  ASSERT_TRUE(running && running->is_object() && running->value("ready", false));
  const std::string image = pngImage();
  auto owner = copyInAnotherClient({{"UTF8_STRING", "keep me"}, {"image/png", image}});
  ASSERT_TRUE(owner);
  TextAppOptions options;
  options.entryText = "abc";
  auto app = follow(options);
  ASSERT_TRUE(app);
  selectIn(*app, "entry", 0, 1);

  setText("A");
  ASSERT_TRUE(textBecomes(*app, "entry", "Abc")) << textOf(*app, "entry");
  // Asked once, for the clipboard given back, never for the library's own transient write.
  const auto state = manager->ask("state");
  ASSERT_TRUE(state && state->is_object());
  EXPECT_EQ((*state)["saves"], 1) << state->dump();
  const auto kept = (*state)["targets"].get<std::vector<std::string>>();
  EXPECT_TRUE(contains(kept, "UTF8_STRING")) << state->dump();
  EXPECT_TRUE(contains(kept, "image/png")) << state->dump();
  EXPECT_FALSE(contains(kept, "x-kde-passwordManagerHint")) << state->dump();

  ::kill(owner->pid(), SIGKILL);
  ASSERT_TRUE(owner->waitForExit());
  EXPECT_EQ(readClipboard("UTF8_STRING"), "keep me");
  EXPECT_TRUE(readClipboard("image/png") == image);
  // The manager holds it now, not this process: the contents no longer depend on the host.
  ::kill(manager->pid(), SIGKILL);
  ASSERT_TRUE(manager->waitForExit());
  EXPECT_FALSE(readClipboard("UTF8_STRING", 3.0));
}

TEST_F(PasteTest, KeepsWhatAnotherClientCopiedAndIsCancelledOnceTheApplicationQuit) {
  auto owner = copyInAnotherClient({{"UTF8_STRING", "saved text"}});
  ASSERT_TRUE(owner);
  TextAppOptions options;
  options.entryText = "abc";
  // The application copies as soon as the paste changes its text, during the library's wait.
  options.extraArguments = {"--copy-on-change", "copied meanwhile"};
  auto app = follow(options);
  ASSERT_TRUE(app);
  selectIn(*app, "entry", 0, 3);

  setText("xyz");
  ASSERT_TRUE(textBecomes(*app, "entry", "xyz")) << textOf(*app, "entry");
  EXPECT_EQ(readClipboard("UTF8_STRING"), "copied meanwhile");

  owner = copyInAnotherClient({{"UTF8_STRING", "untouched"}});
  ASSERT_TRUE(owner);
  ::kill(app->pid(), SIGKILL);
  ASSERT_TRUE(app->waitForExit());

  std::string output;
  {
    StandardOutputCapture capture;
    setText("never pasted");
    output = capture.text();
  }
  EXPECT_NE(output.find("paste cancelled: "), std::string::npos) << output;
  EXPECT_EQ(output.find("pasted text"), std::string::npos) << output;
  EXPECT_EQ(readClipboard("UTF8_STRING"), "untouched");
  // Still the other client's: the library never took it.
  ::kill(owner->pid(), SIGKILL);
  ASSERT_TRUE(owner->waitForExit());
  EXPECT_FALSE(readClipboard("UTF8_STRING", 3.0));
}

}  // namespace
}  // namespace axb::e2e
