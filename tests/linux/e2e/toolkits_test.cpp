// The library following applications of other toolkits than GTK3: a GTK 4 and a Qt 5 window, a
// page in Chromium and in Firefox, and a document in LibreOffice Writer. One instance of each
// serves its whole suite (they take seconds to start). What the application's text became is
// asked of the application itself: the test applications through their commands, the browsers
// and the word processor through their clipboard.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "axbridge/axbridge.h"
#include "e2e/clipboard_clients.h"
#include "e2e/clipboard_reader.h"
#include "e2e/desktop_session.h"
#include "e2e/host_test.h"
#include "e2e/toolkit_apps.h"

namespace axb::e2e {
namespace {

constexpr char kText[] = "hello world";
// The multi-line field's text: offsets after an emoji differ between toolkits that count
// characters and those that count UTF-16 units.
constexpr char kLines[] = "first \xF0\x9F\x98\x80 line\nsecond line";
constexpr char kPassword[] = "hunter2";

// Keys typed in turn, each as many times as it is paired with.
bool typeKeys(std::initializer_list<std::pair<const char*, int>> keys) {
  std::vector<std::string> arguments{"key", "--delay", "30"};
  for (const auto& [key, times] : keys) arguments.insert(arguments.end(), times, key);
  return xdotool(arguments);
}

// The test applications: their line edit, selected and read through their commands.
template <Toolkit kToolkit>
struct TestApplication {
  static constexpr Toolkit toolkit = kToolkit;
  static bool selectLastWord(ToolkitApp& app) {
    return app.process().ask("focus entry") && app.process().ask("select entry 6 11");
  }
  static std::optional<std::string> text(ToolkitApp& app) { return textOf(app.process(), "entry"); }
  static constexpr char kExpected[] = "hello there";
  // The multi-line editor, from its end back over "line\nsecond line".
  static bool selectAcrossLines(ToolkitApp& app) {
    if (!app.process().ask("focus view") || !app.process().ask("select view 24 24")) return false;
    pumpFor(0.3);  // its focus and caret events go out first
    return typeKeys({{"shift+Left", 16}});
  }
  static constexpr char kAcrossLines[] = "line\nsecond line";
  // The caret after "se" on the second line.
  static bool placeCaret(ToolkitApp& app) {
    return app.process().ask("focus view") && app.process().ask("select view 15 15");
  }
  static constexpr char kAboveCaret[] = "first \xF0\x9F\x98\x80 line\nse";
  // The last word, by keys: of the multi-line editor in GTK 4, whose line edits place no
  // character on screen, else of the line edit.
  static bool selectWordByKeys(ToolkitApp& app) {
    if (!app.process().ask(kToolkit == Toolkit::Gtk4 ? "focus view" : "focus entry")) return false;
    pumpFor(0.3);
    return xdotool({"key", "ctrl+End", "ctrl+shift+Left"});
  }
  static bool selectPassword(ToolkitApp& app) {
    return app.process().ask("focus password") && app.process().ask("select password 0 7");
  }
};

// The page's input, focused with the page's own shortcut and selected with keys.
template <Toolkit kToolkit>
struct Browser {
  static constexpr Toolkit toolkit = kToolkit;
  static bool selectLastWord(ToolkitApp&) {
    return xdotool({"key", "ctrl+alt+2"}) && typeKeys({{"shift+Left", 5}});
  }
  static std::optional<std::string> text(ToolkitApp&) {
    if (!xdotool({"key", "ctrl+alt+2", "ctrl+a", "ctrl+c"})) return std::nullopt;
    return readClipboard("UTF8_STRING", 3.0);
  }
  static constexpr char kExpected[] = "hello there";
  // The textarea, from its end back over "line\nsecond line".
  static bool selectAcrossLines(ToolkitApp&) {
    if (!xdotool({"key", "ctrl+alt+1"})) return false;
    pumpFor(0.3);
    return typeKeys({{"shift+Left", 16}});
  }
  static constexpr char kAcrossLines[] = "line\nsecond line";
  static bool placeCaret(ToolkitApp&) {
    return xdotool({"key", "ctrl+alt+1"}) && typeKeys({{"Left", 9}});
  }
  static constexpr char kAboveCaret[] = "first \xF0\x9F\x98\x80 line\nse";
  static bool selectWordByKeys(ToolkitApp&) {
    if (!xdotool({"key", "ctrl+alt+2"})) return false;
    pumpFor(0.3);
    return xdotool({"key", "ctrl+shift+Left"});
  }
  static bool selectPassword(ToolkitApp&) {
    return xdotool({"key", "ctrl+alt+3"}) && xdotool({"key", "shift+Home"});
  }
  // The contenteditable, whose paragraphs are elements of their own.
  static bool focusDocument() { return xdotool({"key", "ctrl+alt+4"}); }
  static constexpr char kDocumentEnd[] = "Dear team,\nthe report is ready.";
};

// The document's first paragraph, "First paragraph of the document.".
struct Writer {
  static constexpr Toolkit toolkit = Toolkit::Writer;
  static bool selectLastWord(ToolkitApp&) {
    return typeKeys({{"ctrl+Home", 1}, {"shift+Right", 5}});
  }
  static std::optional<std::string> text(ToolkitApp&) {
    if (!xdotool({"key", "ctrl+Home", "shift+End", "ctrl+c"})) return std::nullopt;
    return readClipboard("UTF8_STRING", 3.0);
  }
  static constexpr char kExpected[] = "there paragraph of the document.";
  // From "paragraph" in the first paragraph to past the emoji in the second.
  static bool selectAcrossLines(ToolkitApp&) {
    return typeKeys({{"ctrl+Home", 1}, {"Right", 6}, {"shift+End", 1}, {"shift+Right", 10}});
  }
  static constexpr char kAcrossLines[] = "paragraph of the document.\nSecond \xF0\x9F\x98\x80 ";
  // The caret after the emoji in the second paragraph.
  static bool placeCaret(ToolkitApp&) {
    return typeKeys({{"ctrl+Home", 1}, {"Down", 1}, {"Right", 9}});
  }
  // Its first word is what the replace made of it, if that ran first.
  static constexpr char kAboveCaret[] = " paragraph of the document.\nSecond \xF0\x9F\x98\x80 ";
  static bool focusDocument() { return true; }
  static constexpr char kDocumentEnd[] =
      " paragraph of the document.\nSecond \xF0\x9F\x98\x80 paragraph here.\nThird paragraph at "
      "the end.";
};

using Gtk4 = TestApplication<Toolkit::Gtk4>;
using Qt5 = TestApplication<Toolkit::Qt5>;
using Chromium = Browser<Toolkit::Chromium>;
using Firefox = Browser<Toolkit::Firefox>;

template <typename Kind>
class ToolkitTest : public HostTest {
 protected:
  static void SetUpTestSuite() {
    // Switches are made the way a user makes them, through the window manager; without one,
    // these applications do not all come to the front by the input focus alone.
    if (!windowManagerRuns()) return;
    // As a host does at its first start: browsers expose their tree only to a desktop whose
    // accessibility is on. The host runs before the application starts, as a user's does, and
    // is not started again while it runs.
    showAccessibiltyPermisionPopup();
    startHost("{}");
    // The other application is followed before this one starts, as the one a user works in.
    other_ = startTextApp(TextAppOptions{});
    if (!other_ || !switchTo(other_->pid(), "axbridge-text-app", 0, kSwitchDeadline)) {
      return;
    }
    // The other application's first switch came at once, as it started on a machine that may be
    // busy: it may have waited out the library's second for its name and focus.
    startedAt_ = receivedEvents().size();
    app_ = ToolkitApp::start(Kind::toolkit, {kText, kLines});
    if (!app_) return;
    if (!switchToApp()) app_.reset();
  }
  void SetUp() override {
    if (!windowManagerRuns()) GTEST_SKIP() << "needs a window manager";
  }
  static void TearDownTestSuite() {
    app_.reset();
    other_.reset();
  }

  // Brings the other application to the front, then this one: the switch the host hears of.
  // This one comes first, in case the other one is in front already. The other one may never
  // have stopped being followed: an application brought forward before it was in the
  // accessibility tree, and left before the library found it there, was not followed.
  static std::optional<HostEvent> switchToApp(double seconds = kSwitchDeadline) {
    if (!app_ || !other_ || !bringToFront(app_->pid())) return std::nullopt;
    switchTo(other_->pid(), "axbridge-text-app", receivedEvents().size(), 1.0);
    if (!bringToFront(app_->pid())) return std::nullopt;
    // The host's latest word on the application followed names this one: a switch, or a focus
    // event that took its place as the latest of a burst. The other one's activation can go
    // unheard (see above); this one was then followed throughout.
    std::optional<HostEvent> heard;
    pumpUntil(
        [&] {
          heard.reset();
          for (const HostEvent& event : receivedEvents()) {
            if ((event.name == "app_changed" || event.name == "focused_changed") &&
                event.payload.contains("name")) {
              heard = event;
            }
          }
          return heard && heard->payload["name"] != "axbridge-text-app";
        },
        seconds);
    return heard && heard->payload["name"] != "axbridge-text-app" ? heard : std::nullopt;
  }

  // One of each for the whole suite; the other application is the one switched away to.
  static inline std::unique_ptr<ChildApp> other_;
  static inline std::unique_ptr<ToolkitApp> app_;
  static inline std::size_t startedAt_ = 0;  // the first event once this one is starting
};

struct KindName {
  template <typename Kind>
  static std::string GetName(int) {
    constexpr const char* kNames[] = {"Gtk4", "Qt5", "Chromium", "Firefox", "Writer"};
    return kNames[static_cast<int>(Kind::toolkit)];
  }
};

using Kinds = ::testing::Types<Gtk4, Qt5, Chromium, Firefox, Writer>;
TYPED_TEST_SUITE(ToolkitTest, Kinds, KindName);

TYPED_TEST(ToolkitTest, SetTextReplacesTheSelectionAndGivesTheClipboardBack) {
  ASSERT_TRUE(this->app_);
  auto owner = copyInAnotherClient({{"UTF8_STRING", "copied \xE2\x9C\x82 text"}});
  ASSERT_TRUE(owner);
  ASSERT_TRUE(this->switchToApp());
  ASSERT_TRUE(TypeParam::selectLastWord(*this->app_));
  pumpFor(0.3);  // the selection's events go out first

  setText("there");
  std::optional<std::string> text;
  EXPECT_EQ(readClipboard("UTF8_STRING"), "copied \xE2\x9C\x82 text");
  // The paste lands during the library's wait, but may show a moment later on a busy machine.
  EXPECT_TRUE(pumpUntil(
      [&] { return (text = TypeParam::text(*this->app_)) == TypeParam::kExpected; }, 10.0))
      << text.value_or("(no text)");
}

// Switches to the application, each with its name and role (also those as it started, which had
// them a moment later); text after an emoji (characters in GTK, UTF-16 units in Qt and the word
// processor, padded in Firefox) and across lines (paragraphs, in a document), selected or above
// the caret; the browsers' fields are editable by their state alone.
TYPED_TEST(ToolkitTest, ASwitchASelectionAfterAnEmojiAndTheTextAboveTheCaretAreReported) {
  ASSERT_TRUE(this->app_);
  ASSERT_TRUE(this->switchToApp());
  for (std::size_t i = this->startedAt_; i < receivedEvents().size(); ++i) {
    const HostEvent& event = receivedEvents()[i];
    EXPECT_TRUE(event.name != "app_changed" ||
                !(event.payload["name"].is_null() || event.payload["role"].is_null()))
        << event.payload;
  }
  const std::size_t from = receivedEvents().size();
  ASSERT_TRUE(TypeParam::selectAcrossLines(*this->app_));
  // Chromium's caret offset is right, but its selection's offsets count each emoji before them
  // once too few: its text comes one character early.
  const auto selection =
      TypeParam::toolkit == Toolkit::Chromium
          ? waitForEvent("text_select", from,
                         [](const Json& payload) { return payload.contains("selected_text"); })
          : waitForEvent("text_select", from, this->selecting(TypeParam::kAcrossLines));
  ASSERT_TRUE(selection);
  EXPECT_EQ(selection->payload["is_editable"], true);

  ASSERT_TRUE(TypeParam::placeCaret(*this->app_));
  pumpFor(0.3);  // the caret's events go out first
  const std::size_t asked = receivedEvents().size();
  getDataForVeskAssist();
  const auto context = waitForEvent("alt_enter_pressed", asked);
  ASSERT_TRUE(context);
  const std::string above = context->payload.value("selected_text", "");
  EXPECT_TRUE(above.ends_with(TypeParam::kAboveCaret)) << above;
  EXPECT_TRUE(context->payload.contains("position")) << context->payload;
}

// A word selected by a double click, where the library placed it when keys selected it.
TYPED_TEST(ToolkitTest, ADoubleClickSelectsTheWordUnderThePointer) {
  if constexpr (TypeParam::toolkit == Toolkit::Writer) {
    GTEST_SKIP() << "the word processor's rectangles are offset by about its menu bar's height";
  } else {
    ASSERT_TRUE(this->app_);
    ASSERT_TRUE(this->switchToApp());
    std::size_t from = receivedEvents().size();
    ASSERT_TRUE(TypeParam::selectWordByKeys(*this->app_));
    const auto byKeys = waitForEvent("text_select", from, [](const Json& payload) {
      return payload.contains("position") && !payload.value("selected_text", "").empty();
    });
    ASSERT_TRUE(byKeys);
    const Json& payload = byKeys->payload;
    const double x =
        payload["position"]["x"].get<double>() + payload["size"]["width"].get<double>() / 2;
    const double y =
        payload["position"]["y"].get<double>() + payload["size"]["height"].get<double>() / 2;
    ASSERT_TRUE(xdotool({"key", "End"}));
    pumpFor(0.3);
    from = receivedEvents().size();
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(static_cast<int>(x)),
                         std::to_string(static_cast<int>(y)), "click", "--repeat", "2", "1"}));
    EXPECT_TRUE(waitForEvent("text_select", from, this->selecting(payload["selected_text"])))
        << "double click at " << x << "," << y;
  }
}

// Password fields answer nothing: no character, bullets included, and not their length.
TYPED_TEST(ToolkitTest, PasswordFieldsAreSilent) {
  if constexpr (TypeParam::toolkit == Toolkit::Writer) {
    GTEST_SKIP() << "a document has no password field";
  } else {
    ASSERT_TRUE(this->app_);
    ASSERT_TRUE(this->switchToApp());
    const std::size_t from = receivedEvents().size();
    ASSERT_TRUE(TypeParam::selectPassword(*this->app_));
    pumpFor(1.0);
    getDataForVeskAssist();
    pumpFor(1.0);
    const auto& events = receivedEvents();
    for (std::size_t i = from; i < events.size(); ++i) {
      const std::string payload = events[i].payload.dump(-1, ' ', false);
      EXPECT_EQ(payload.find(kPassword), std::string::npos) << payload;
      EXPECT_EQ(payload.find("\xE2\x80\xA2"), std::string::npos) << payload;  // a bullet
      EXPECT_EQ(payload.find("\xE2\x97\x8F"), std::string::npos) << payload;  // a black circle
      EXPECT_NE(events[i].name, "text_select") << payload;
    }
  }
}

// An editable document of paragraphs is one text area, whatever toolkit draws it: a selection
// made backwards has its whole text, the context has the text above the caret, and an entry of
// the blocked list naming text areas silences it.
TYPED_TEST(ToolkitTest, ADocumentOfParagraphsIsOneTextArea) {
  if constexpr (!requires { TypeParam::kDocumentEnd; } || TypeParam::toolkit == Toolkit::Chromium) {
    GTEST_SKIP() << "no document of paragraphs whose selection is reported";
  } else {
    ASSERT_TRUE(this->app_);
    const auto switched = this->switchToApp();
    ASSERT_TRUE(switched && TypeParam::focusDocument());
    pumpFor(0.3);
    const auto whole = [](const Json& payload) {
      return payload.value("selected_text", "").ends_with(TypeParam::kDocumentEnd);
    };
    std::size_t from = receivedEvents().size();
    ASSERT_TRUE(xdotool({"key", "ctrl+End", "ctrl+shift+Home"}));
    EXPECT_TRUE(waitForEvent("text_select", from, whole));
    ASSERT_TRUE(xdotool({"key", "ctrl+End"}));
    pumpFor(0.3);
    from = receivedEvents().size();
    getDataForVeskAssist();
    EXPECT_TRUE(waitForEvent("alt_enter_pressed", from, whole));

    const Json entry{{"name", "AXRole"}, {"value", "AXTextArea"}};
    start(Json{{switched->payload.value("bundle_id", ""), entry}}.dump().c_str());
    from = receivedEvents().size();
    ASSERT_TRUE(xdotool({"key", "ctrl+shift+Home"}));
    pumpFor(1.0);
    start("{}");
    for (std::size_t i = from; i < receivedEvents().size(); ++i) {
      EXPECT_NE(receivedEvents()[i].name, "text_select") << receivedEvents()[i].payload;
    }
  }
}

// GTK 4 answers rectangles only relative to its window, and no range's rectangle at all.
using ToolkitTestGtk4Text = ToolkitTest<Gtk4>;

TEST_F(ToolkitTestGtk4Text, SelectionsAndTheContextHaveTheirTextAndTheirPlaceOnScreen) {
  ASSERT_TRUE(app_);
  ChildApp& app = app_->process();
  ASSERT_TRUE(app.ask("set view " + Json("first \xF0\x9F\x98\x80 line\nsecond line").dump()));
  ASSERT_TRUE(switchToApp());
  ASSERT_TRUE(app.ask("focus view") && app.ask("select view 8 8"));
  pumpFor(0.3);

  // "line", after the emoji.
  std::size_t from = receivedEvents().size();
  ASSERT_TRUE(app.ask("select view 8 12"));
  auto selection = waitForEvent("text_select", from, selecting("line"));
  ASSERT_TRUE(selection);
  expectNear(selection->payload, layout(app, "view", 8, 12));

  // Across lines: the union of the lines' boxes.
  from = receivedEvents().size();
  ASSERT_TRUE(app.ask("select view 8 19"));
  selection = waitForEvent("text_select", from, selecting("line\nsecond"));
  ASSERT_TRUE(selection);
  expectNear(selection->payload, layout(app, "view", 8, 19));

  // The text above the caret, and the rectangle of the character after it.
  ASSERT_TRUE(app.ask("select view 15 15"));
  pumpFor(0.3);
  from = receivedEvents().size();
  getDataForVeskAssist();
  const auto context = waitForEvent("alt_enter_pressed", from);
  ASSERT_TRUE(context);
  EXPECT_EQ(context->payload["selected_text"], "first \xF0\x9F\x98\x80 line\nse");
  expectNear(context->payload, layout(app, "view", 15, 16));
}

}  // namespace
}  // namespace axb::e2e
