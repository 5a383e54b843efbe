// The library in Wayland sessions. In sway (scripts/headless-sway.sh): the project's GTK 3, GTK 4
// and Qt 5 test applications running natively, and the GTK 3 one under XWayland, followed, their
// selections placed where sway put their windows, pasted into, their clipboard given back, and
// brought back to the front. On GNOME (scripts/headless-gnome.sh), where no client learns where a
// window is or raises another: a paste and its restore through the compositor's remote desktop,
// and the honest refusals. Elsewhere the suites skip.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
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
constexpr char kLines[] = "first line\nsecond line";

enum class AppKind { Gtk3, Gtk4, Qt5, XWayland };
template <AppKind kKind>
struct Native {
  static constexpr AppKind kind = kKind;
};

bool gnomeRuns() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  return std::getenv("WAYLAND_DISPLAY") && desktop && std::string(desktop) == "GNOME";
}

// The context the host asks for once the caret's events went out.
std::optional<HostEvent> askContext() {
  pumpFor(0.3);
  const std::size_t from = receivedEvents().size();
  getDataForVeskAssist();
  return waitForEvent("alt_enter_pressed", from);
}

// What a paste printed: its diagnostics.
std::string printedBySetText(const char* text) {
  StandardOutputCapture capture;
  setText(text);
  return capture.text();
}

template <typename Kind>
class WaylandTest : public HostTest {
 protected:
  static void SetUpTestSuite() {
    if (!swayRuns()) return;
    startHost("{}");
    TextAppOptions other;
    other.prgname = "axbridge-other-app";
    other.title = "Other app";
    other_ = startTextApp(other);
    if (!other_ || !switchTo(other_->pid(), other.prgname, 0, kSwitchDeadline)) return;
    if constexpr (Kind::kind == AppKind::Gtk3 || Kind::kind == AppKind::XWayland) {
      TextAppOptions options;
      options.entryText = kText;
      options.viewText = kLines;
      options.environment = {Kind::kind == AppKind::Gtk3 ? "GDK_BACKEND=wayland"
                                                         : "GDK_BACKEND=x11"};
      textApp_ = startTextApp(options);
    } else {
      toolkitApp_ = ToolkitApp::start(Kind::kind == AppKind::Gtk4 ? Toolkit::Gtk4 : Toolkit::Qt5,
                                      {kText, kLines});
    }
    ready_ = (textApp_ || toolkitApp_) && switchToApp();
  }
  void SetUp() override {
    if (!swayRuns()) GTEST_SKIP() << "needs a sway session (scripts/headless-sway.sh)";
    ASSERT_TRUE(ready_) << "the applications did not start or were not followed";
  }
  static void TearDownTestSuite() {
    textApp_.reset();
    toolkitApp_.reset();
    other_.reset();
  }

  static ChildApp& app() { return textApp_ ? *textApp_ : toolkitApp_->process(); }
  static pid_t pid() { return textApp_ ? textApp_->pid() : toolkitApp_->pid(); }

  // Away to the other application and back: the switch the host hears of.
  static std::optional<HostEvent> switchToApp() {
    if (!bringToFront(other_->pid())) return std::nullopt;
    pumpFor(0.5);
    const std::size_t from = receivedEvents().size();
    if (!bringToFront(pid())) return std::nullopt;
    return waitForEvent("app_changed", from, {}, kSwitchDeadline);
  }

  // The application's own rectangle where sway put its surface (an X11 client's is on screen).
  static Json onScreen(const Json& rect) {
    const auto origin = Kind::kind == AppKind::XWayland ? std::make_pair(0.0, 0.0)
                                                        : swaySurfaceOrigin(pid()).value();
    return Json::array({rect[0].get<double>() + origin.first, rect[1].get<double>() + origin.second,
                        rect[2], rect[3]});
  }

  static inline std::unique_ptr<ChildApp> other_;
  static inline std::unique_ptr<ChildApp> textApp_;
  static inline std::unique_ptr<ToolkitApp> toolkitApp_;
  static inline bool ready_ = false;
};

struct KindName {
  template <typename Kind>
  static std::string GetName(int) {
    constexpr const char* kNames[] = {"Gtk3", "Gtk4", "Qt5", "XWayland"};
    return kNames[static_cast<int>(Kind::kind)];
  }
};
using Kinds = ::testing::Types<Native<AppKind::Gtk3>, Native<AppKind::Gtk4>, Native<AppKind::Qt5>,
                               Native<AppKind::XWayland>>;
TYPED_TEST_SUITE(WaylandTest, Kinds, KindName);

// A native application is named by its Wayland application id, the one sway shows. It comes back
// to the front when the host (which the library does not follow) asks for it; coming back moves
// no window, so nothing is asked of the window then.
TYPED_TEST(WaylandTest, TheApplicationIsReportedWhereItIsOnScreenAndFocusPreiovBringsItBack) {
  const auto switched = this->switchToApp();
  ASSERT_TRUE(switched);
  EXPECT_FALSE(switched->payload["name"].is_null()) << switched->payload;
  if (TypeParam::kind != AppKind::XWayland) {
    EXPECT_EQ(switched->payload["bundle_id"], swayWindowOf(this->pid()).value()["app_id"]);
  }
  ChildApp& app = this->app();
  ASSERT_TRUE(app.ask("focus entry") && app.ask("select entry 0 0"));
  pumpFor(0.3);
  std::size_t from = receivedEvents().size();
  ASSERT_TRUE(app.ask("focus view"));
  EXPECT_TRUE(waitForEvent("focused_changed", from));

  // Qt answers 4 pixels above the text it draws, and every line's characters on the first line.
  const double tolerance = TypeParam::kind == AppKind::Qt5 ? 5 : HostTest::kTolerance;
  from = receivedEvents().size();
  ASSERT_TRUE(app.ask("select view 6 10"));
  const auto selection = waitForEvent("text_select", from, this->selecting("line"));
  ASSERT_TRUE(selection);
  this->expectNear(selection->payload, this->onScreen(this->layout(app, "view", 6, 10)), tolerance);

  from = receivedEvents().size();
  ASSERT_TRUE(app.ask("select view 2 2"));
  EXPECT_TRUE(waitForEvent("caret", from));
  const auto context = askContext();
  ASSERT_TRUE(context);
  EXPECT_EQ(context->payload["selected_text"], "fi");
  // Where the character after the caret begins (Qt's widths are its own).
  const Json character = this->onScreen(this->layout(app, "view", 2, 3));
  EXPECT_NEAR(context->payload["position"]["x"].get<double>(), character[0].get<double>(),
              tolerance);
  EXPECT_NEAR(context->payload["position"]["y"].get<double>(), character[1].get<double>(),
              tolerance);

  TextAppOptions options;
  options.title = options.prgname = "Quorvalent";
  auto host = startTextApp(options);
  ASSERT_TRUE(host && bringToFront(host->pid()));
  pumpFor(0.5);
  bool back = false;
  std::string printed;
  {
    // Failures are reported once the output is the terminal's again.
    StandardOutputCapture output;
    focusPreiov();
    back = pumpUntil([&] { return frontPid() == this->pid(); }, 10.0);
    pumpFor(0.5);
    printed = output.text();
  }
  EXPECT_TRUE(back) << frontPid().value_or(0);
  EXPECT_EQ(printed.find("Error retrieving attribute"), std::string::npos) << printed;
}

// Every type the owner offered comes back byte for byte after the owner is gone, when only the
// library still answers.
TYPED_TEST(WaylandTest, SetTextReplacesTheSelectionAndGivesTheClipboardBack) {
  const std::vector<std::pair<std::string, std::string>> copied{
      {"text/plain;charset=utf-8", "copied \xE2\x9C\x82 text"},
      {"text/html", "<b>copied</b>"},
      {"image/png", pngImage()}};
  auto owner = copyInAnotherClient(copied);
  ASSERT_TRUE(owner);
  ASSERT_TRUE(this->switchToApp());
  ChildApp& app = this->app();
  ASSERT_TRUE(app.ask("set entry " + Json(kText).dump()));
  ASSERT_TRUE(app.ask("focus entry") && app.ask("select entry 6 11"));
  pumpFor(0.3);

  setText("there");
  EXPECT_TRUE(pumpUntil([&] { return textOf(app, "entry") == "hello there"; }, 10.0))
      << textOf(app, "entry");
  ::kill(owner->pid(), SIGKILL);
  ASSERT_TRUE(owner->waitForExit());
  const auto targets = clipboardTargets();
  for (const auto& [type, data] : copied) {
    EXPECT_NE(std::find(targets.begin(), targets.end(), type), targets.end()) << type;
    EXPECT_TRUE(readClipboard(type) == data) << type;
  }
}

// On GNOME no client learns where a window is or raises another; a new window comes to the front
// by itself.
class GnomeTest : public HostTest {
 protected:
  void SetUp() override {
    if (!gnomeRuns()) GTEST_SKIP() << "needs a GNOME session (scripts/headless-gnome.sh)";
    HostTest::SetUp();
  }
  static std::unique_ptr<ChildApp> startInFront(const std::string& name) {
    const std::size_t from = receivedEvents().size();
    TextAppOptions options;
    options.title = options.prgname = name;
    options.entryText = kText;
    options.viewText = kLines;
    auto app = startTextApp(options);
    const bool followed =
        app && waitForEvent(
                   "app_changed", from,
                   [&](const Json& payload) {
                     // Named by its program name, which GTK gives its windows as their app_id.
                     return payload["name"] == name && payload["bundle_id"] == name;
                   },
                   kSwitchDeadline);
    return followed ? std::move(app) : nullptr;
  }
};

// The rectangle is unknown: the selection is the message result with its text beside it, and the
// context has the text above the caret with null numbers. A paste goes through the compositor's
// remote desktop and gives the clipboard back; the followed application cannot be raised, so with
// the host's window in front the paste is cancelled and the clipboard left alone.
TEST_F(GnomeTest, TextIsReportedWithoutRectanglesAndPastedOnlyIntoTheApplicationInFront) {
  auto owner = copyInAnotherClient({{"text/plain;charset=utf-8", "copied \xE2\x9C\x82 text"}});
  ASSERT_TRUE(owner);
  auto app = startInFront("axbridge-text-app");
  ASSERT_TRUE(app);
  const std::size_t from = receivedEvents().size();
  ASSERT_TRUE(app->ask("focus view") && app->ask("select view 6 10"));
  const auto selection = waitForEvent("text_select", from, selecting("line"));
  ASSERT_TRUE(selection);
  EXPECT_TRUE(selection->payload.contains("message")) << selection->payload;
  EXPECT_FALSE(selection->payload.contains("position")) << selection->payload;
  ASSERT_TRUE(app->ask("select view 2 2"));
  const auto context = askContext();
  ASSERT_TRUE(context);
  EXPECT_EQ(context->payload["selected_text"], "fi");
  EXPECT_TRUE(context->payload["position"]["x"].is_null()) << context->payload;

  ASSERT_TRUE(app->ask("focus entry") && app->ask("select entry 6 11"));
  pumpFor(0.3);
  setText("there");
  EXPECT_TRUE(pumpUntil([&] { return textOf(*app, "entry") == "hello there"; }, 10.0))
      << textOf(*app, "entry");
  EXPECT_EQ(readClipboard("text/plain;charset=utf-8"), "copied \xE2\x9C\x82 text");

  ASSERT_TRUE(app->ask("select entry 0 5"));
  TextAppOptions options;
  options.title = options.prgname = "Quorvalent";
  auto host = startTextApp(options);
  ASSERT_TRUE(host);
  pumpFor(1.0);
  const std::string output = printedBySetText("never pasted");
  EXPECT_NE(output.find("paste cancelled: application not in front"), std::string::npos) << output;
  EXPECT_EQ(textOf(*app, "entry"), "hello there");
  EXPECT_EQ(readClipboard("text/plain;charset=utf-8"), "copied \xE2\x9C\x82 text");
}

// A floating GTK 3 window with a header bar draws its frame and shadow itself: it answers
// relative to its whole surface, while sway places its visible part. Without one, sway draws the
// title bar and the window is all visible part.
using WaylandFloatingTest = HostTest;
TEST_F(WaylandFloatingTest, ASelectionInAFloatingWindowIsWhereItIsOnScreen) {
  if (!swayRuns()) GTEST_SKIP() << "needs a sway session (scripts/headless-sway.sh)";
  for (const bool headerBar : {true, false}) {
    SCOPED_TRACE(headerBar ? "header bar" : "no header bar");
    TextAppOptions options;
    options.viewText = kLines;
    if (headerBar) options.extraArguments = {"--header-bar"};
    options.environment = {"GDK_BACKEND=wayland"};
    std::size_t from = receivedEvents().size();
    auto app = startTextApp(options);
    ASSERT_TRUE(app &&
                run({"swaymsg", "[pid=" + std::to_string(app->pid()) + "] floating enable"}));
    ASSERT_TRUE(waitForEvent("app_changed", from, {}, kSwitchDeadline));
    pumpFor(0.5);
    from = receivedEvents().size();
    ASSERT_TRUE(app->ask("focus view") && app->ask("select view 6 10"));
    const auto selection = waitForEvent("text_select", from, selecting("line"));
    ASSERT_TRUE(selection);
    const Json frame = app->ask("frame").value()["origin"];
    const auto origin = swaySurfaceOrigin(app->pid()).value();
    const Json rect = layout(*app, "view", 6, 10);
    expectNear(selection->payload,
               Json::array({rect[0].get<double>() + origin.first - frame[0].get<double>(),
                            rect[1].get<double>() + origin.second - frame[1].get<double>(), rect[2],
                            rect[3]}));
  }
}

// Another compositor (the sway session without SWAYSOCK, as KDE Plasma would look: data-control and
// no other way to type): without the user's grant a paste is refused at once, the clipboard left
// alone. Then, with the desktop's RemoteDesktop portal (tests/linux/fake_portal.py: its dialog
// answers 1.5 s later, refusing first): a paste never waits for the dialog, only a grant given
// earlier types the keystroke, and only until the user ends the session; its restore token grants
// again.
using OtherWaylandTest = HostTest;
TEST_F(OtherWaylandTest, APasteTypesOnlyWhileTheUserGrantsThePortal) {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  if (!std::getenv("WAYLAND_DISPLAY") || swayRuns() || gnomeRuns() || !desktop) {
    GTEST_SKIP() << "needs a Wayland session of another desktop (scripts/test.sh runs one)";
  }
  ChildApp copied({"wl-copy", "--foreground", "copied"});
  ASSERT_TRUE(pumpUntil([] { return readClipboard("text/plain;charset=utf-8", 1.0) == "copied"; }));
  TextAppOptions options;
  options.entryText = kText;
  const auto app = startTextApp(options);
  ASSERT_TRUE(app);
  ASSERT_TRUE(waitForEvent("app_changed", 0, {}, kSwitchDeadline));
  ASSERT_TRUE(app->ask("focus entry") && app->ask("select entry 6 11"));
  pumpFor(0.3);
  const auto expectRefusedAtOnce = [&] {
    const double began = monotonicSeconds();
    const std::string output = printedBySetText("never pasted");
    EXPECT_LT(monotonicSeconds() - began, 0.5);
    EXPECT_NE(output.find("paste cancelled: not supported on this desktop"), std::string::npos)
        << output;
    EXPECT_EQ(textOf(*app, "entry"), kText);
    EXPECT_EQ(readClipboard("text/plain;charset=utf-8"), "copied");
  };
  expectRefusedAtOnce();
  ChildApp portal({"/usr/bin/python3", AXBRIDGE_SOURCE_DIR "/tests/linux/fake_portal.py"});
  ASSERT_TRUE(portal.nextLine(10.0));
  for (int dialog = 0; dialog < 2; ++dialog) {
    showAccessibiltyPermisionPopup();
    pumpFor(0.2);
    expectRefusedAtOnce();
    pumpFor(2.0);
  }
  setText("there");
  EXPECT_EQ(portal.ask("keys"),
            Json::parse(R"({"keys": [[65507, 1], [118, 1], [118, 0], [65507, 0]]})"));
  EXPECT_EQ(readClipboard("text/plain;charset=utf-8"), "copied");
  ASSERT_TRUE(portal.ask("end"));
  pumpFor(0.3);
  expectRefusedAtOnce();
  EXPECT_EQ(portal.ask("keys")->at("keys").size(), 4u);
  // Asked again, the grant's restore token spares the user the dialog.
  showAccessibiltyPermisionPopup();
  pumpFor(0.5);
  setText("there");
  EXPECT_EQ(portal.ask("keys")->at("keys").size(), 8u);
}

}  // namespace
}  // namespace axb::e2e
