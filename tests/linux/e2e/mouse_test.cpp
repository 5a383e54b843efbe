// The mouse over the host's own window on a real X11 display: this test process is the host, with
// plain X11 windows of its own that it hands to addMouseTracker by id, and xdotool moves and
// clicks the pointer as a user would.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "axbridge/axbridge.h"
#include "bridge/globals.h"
#include "e2e/desktop_session.h"
#include "platform/linux/x11/host_windows.h"
#include "platform/linux/x11/xcb_handles.h"
#include "window/mouse_tracking.h"
#include "x11_peer.h"

namespace axb::e2e {
namespace {

// The library hands a burst of events on as its latest one, about 0.2 s after it started; what
// did not arrive within twice that after its cause was handled is not coming.
constexpr double kDeliveryBound = 0.5;

struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool contains(int px, int py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
  bool operator==(const ScreenRect&) const = default;
};

using platform::x11::Reply;

// The host's side of the display: a connection of the test's own, as a toolkit has.
xcb_connection_t* hostConnection() {
  static xcb_connection_t* const connection = xcb_connect(nullptr, nullptr);
  return connection;
}

xcb_screen_t* hostScreen() {
  return xcb_setup_roots_iterator(xcb_get_setup(hostConnection())).data;
}

void* handleOf(std::uint32_t id) {
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(id));
}

enum class Placement {
  Application,      // a main window, which a window manager may give the whole screen
  ByWindowManager,  // a dialog, which a window manager places where it likes at its size
  Fixed,            // where it is asked to be (override-redirect), for clicking into it: a
                    // window manager may take a click in a dialog to move the dialog
};

// A top-level window of the host, of the given size; where it ended up is read back from the
// display.
class HostTestWindow {
 public:
  HostTestWindow(int width, int height, Placement placement = Placement::ByWindowManager) {
    xcb_connection_t* c = hostConnection();
    xcb_screen_t* screen = hostScreen();
    const std::uint32_t values[] = {screen->white_pixel, placement == Placement::Fixed ? 1u : 0u};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, id_, screen->root, 240, 200,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    const xcb_atom_t type =
        x11_peer::atom(c, placement == Placement::Application ? "_NET_WM_WINDOW_TYPE_NORMAL"
                                                              : "_NET_WM_WINDOW_TYPE_DIALOG");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id_, x11_peer::atom(c, "_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &type);
    // The host's own window, as toolkits mark theirs.
    const std::uint32_t pid = static_cast<std::uint32_t>(::getpid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id_, x11_peer::atom(c, "_NET_WM_PID"),
                        XCB_ATOM_CARDINAL, 32, 1, &pid);
    xcb_flush(c);
  }
  ~HostTestWindow() { destroy(); }
  HostTestWindow(const HostTestWindow&) = delete;
  HostTestWindow& operator=(const HostTestWindow&) = delete;

  std::uint32_t id() const { return id_; }
  void* handle() const { return handleOf(id_); }

  // Maps the window and waits until it is on screen and the window manager has settled it.
  bool show() {
    xcb_map_window(hostConnection(), id_);
    xcb_flush(hostConnection());
    std::optional<ScreenRect> last;
    int steady = 0;
    return pumpUntil(
        [&] {
          const auto now = onScreen();
          steady = now && now == last ? steady + 1 : 0;
          last = now;
          return steady >= 5;
        },
        10.0);
  }
  // Where a fixed window goes, before it is shown.
  void moveTo(int x, int y) { configure(XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, x, y); }
  void resize(int width, int height) {
    configure(XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, width, height);
  }
  void hide() {
    xcb_unmap_window(hostConnection(), id_);
    xcb_flush(hostConnection());
  }
  void destroy() {
    if (std::exchange(destroyed_, true)) return;
    xcb_destroy_window(hostConnection(), id_);
    xcb_flush(hostConnection());
  }

  // The inside of the window in root coordinates, while it is on screen.
  std::optional<ScreenRect> onScreen() const {
    xcb_connection_t* c = hostConnection();
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id_), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return std::nullopt;
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, id_), nullptr));
    const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, id_, hostScreen()->root, 0, 0), nullptr));
    if (!geometry || !origin) return std::nullopt;
    return ScreenRect{origin->dst_x, origin->dst_y, geometry->width, geometry->height};
  }

 private:
  void configure(std::uint16_t mask, int first, int second) {
    const std::uint32_t values[] = {static_cast<std::uint32_t>(first),
                                    static_cast<std::uint32_t>(second)};
    xcb_configure_window(hostConnection(), id_, mask, values);
    xcb_flush(hostConnection());
  }

  std::uint32_t id_ = xcb_generate_id(hostConnection());
  bool destroyed_ = false;
};

bool movePointer(int x, int y) {
  return xdotool({"mousemove", std::to_string(x), std::to_string(y)});
}

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class MouseTrackingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    receivedEvents().clear();
    initMacAccessibility(recordEvent);
    ASSERT_NE(hostConnection(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(hostConnection()), 0);
  }

  void TearDown() override {
    // Failures' messages went to the captured output.
    const std::string captured = output_ ? output_->text() : "";
    output_.reset();
    if (HasFailure()) std::printf("%s", captured.c_str());
    window::resetMouseTrackers();
    bridge::globals().isInWindow = false;
  }

  // Takes over standard output, where the library says "clicked bro".
  StandardOutputCapture& output() {
    if (!output_) output_ = std::make_unique<StandardOutputCapture>();
    return *output_;
  }

  // A point on screen outside every rectangle given, away from their edges.
  static std::optional<std::pair<int, int>> outside(const std::vector<ScreenRect>& rects) {
    const xcb_screen_t* screen = hostScreen();
    const int w = screen->width_in_pixels;
    const int h = screen->height_in_pixels;
    const std::pair<int, int> candidates[] = {{8, 8}, {w - 8, h - 8}, {8, h - 8}, {w - 8, 8}};
    for (const auto& [x, y] : candidates) {
      bool clear = true;
      for (const ScreenRect& rect : rects) {
        const ScreenRect margin{rect.x - 8, rect.y - 8, rect.width + 16, rect.height + 16};
        if (margin.contains(x, y)) clear = false;
      }
      if (clear) return std::make_pair(x, y);
    }
    return std::nullopt;
  }

  // Shows the window; where it is on screen and a point away from it (nothing when the window
  // does not show or covers the screen).
  static std::pair<std::optional<ScreenRect>, std::optional<std::pair<int, int>>> showWithPointAway(
      HostTestWindow& window) {
    if (!window.show()) return {};
    const auto rect = window.onScreen();
    if (!rect) return {};
    return {rect, outside({*rect})};
  }

  static std::pair<int, int> centreOf(const ScreenRect& rect) {
    return {rect.x + rect.width / 2, rect.y + rect.height / 2};
  }

  // Hovering the window: the pointer moved into it until the host hears it.
  static bool hover(const ScreenRect& rect) {
    const std::size_t from = receivedEvents().size();
    const auto [x, y] = centreOf(rect);
    return movePointer(x, y) && waitForEvent("mouse_hoverd", from).has_value();
  }

  // Clicks (the xdotool command) and waits until the library has handled the click (each window
  // tracker says "clicked bro"), then for anything it posted to be delivered.
  static bool clickHandled(StandardOutputCapture& output,
                           const std::vector<std::string>& command = {"click", "1"},
                           std::size_t trackers = 1) {
    const std::size_t before = countOf(output.text(), "clicked bro");
    if (!xdotool(command)) return false;
    if (!pumpUntil([&] { return countOf(output.text(), "clicked bro") >= before + trackers; })) {
      return false;
    }
    pumpFor(kDeliveryBound);
    return true;
  }

  std::unique_ptr<StandardOutputCapture> output_;

  // Whether the host has heard the event since the index, without waiting.
  static bool heard(const std::string& name, std::size_t from) {
    return waitForEvent(name, from, {}, 0).has_value();
  }
};

TEST_F(MouseTrackingTest, HoveringAndClickingOutsideAreToldThroughPopupsAndCoveringWindows) {
  StandardOutputCapture& output = this->output();
  HostTestWindow window(320, 200, Placement::Fixed);
  const auto [rect, away] = showWithPointAway(window);
  ASSERT_TRUE(rect && away);
  ASSERT_TRUE(movePointer(away->first, away->second));
  addMouseTracker(window.handle());

  std::size_t from = receivedEvents().size();
  const auto [x, y] = centreOf(*rect);
  ASSERT_TRUE(movePointer(x, y));
  const auto hovered = waitForEvent("mouse_hoverd", from);
  ASSERT_TRUE(hovered);
  EXPECT_EQ(hovered->payload, Json::object());
  from = receivedEvents().size();
  ASSERT_TRUE(clickHandled(output));
  EXPECT_FALSE(heard("clcicked_outside", from));

  // Moved out and clicked at once: the click counts where it happened, not where the pointer
  // was last seen; and back in with a click straight away, inside again.
  from = receivedEvents().size();
  ASSERT_TRUE(clickHandled(output, {"mousemove", std::to_string(away->first),
                                    std::to_string(away->second), "click", "1"}));
  EXPECT_TRUE(heard("clcicked_outside", from));
  from = receivedEvents().size();
  ASSERT_TRUE(
      clickHandled(output, {"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
  EXPECT_FALSE(heard("clcicked_outside", from));
  EXPECT_TRUE(heard("mouse_hoverd", from));

  // The host's own popup (a menu, a suggestion list) over its window: the pointer on it is still
  // over the window, though X11 says it left the window.
  HostTestWindow popup(100, 60, Placement::Fixed);
  popup.moveTo(rect->x + 20, rect->y + 20);
  ASSERT_TRUE(popup.show());
  ASSERT_TRUE(movePointer(rect->x + 50, rect->y + 40));
  // Leaving would bring the followed application to the front, over the popup.
  pumpFor(kDeliveryBound);
  EXPECT_TRUE(bridge::globals().isInWindow);
  from = receivedEvents().size();
  ASSERT_TRUE(clickHandled(output));
  EXPECT_FALSE(heard("clcicked_outside", from));
  EXPECT_TRUE(bridge::globals().isInWindow);

  // A real mouse moves the pointer by relative steps, and the library hears them as raw motion
  // wherever the pointer goes, also where a window over the host's hides the crossing of its edge.
  popup.destroy();
  const ScreenRect covering{rect->x - 100, rect->y - 100, rect->width + 200, rect->height + 200};
  const auto beyond = outside({covering});
  ASSERT_TRUE(beyond && movePointer(beyond->first, beyond->second));
  ASSERT_TRUE(pumpUntil([] { return !bridge::globals().isInWindow; }));
  HostTestWindow cover(covering.width, covering.height, Placement::Fixed);
  cover.moveTo(covering.x, covering.y);
  ASSERT_TRUE(cover.show());
  // On the cover, left of the window.
  ASSERT_TRUE(movePointer(rect->x - 50, rect->y + rect->height / 2));
  pumpFor(kDeliveryBound);
  ASSERT_FALSE(bridge::globals().isInWindow);
  from = receivedEvents().size();
  ASSERT_TRUE(xdotool({"mousemove_relative", "--", "150", "0"}));
  EXPECT_TRUE(waitForEvent("mouse_hoverd", from));
}

TEST_F(MouseTrackingTest, AnythingButALiveWindowAndAButtonIsIgnored) {
  StandardOutputCapture& output = this->output();
  xcb_connection_t* c = hostConnection();
  // An id of the test's own that names nothing, and one that named a window.
  const std::uint32_t unused = xcb_generate_id(c);
  std::uint32_t gone = 0;
  {
    HostTestWindow destroyed(100, 100);
    gone = destroyed.id();
  }
  x11_peer::sync(c);
  addMouseTracker(nullptr);
  addMouseTracker(handleOf(unused));
  addMouseTracker(handleOf(gone));
  // Beyond the 29 bits of an id, and a window id with high bits that would be cut away.
  addMouseTracker(reinterpret_cast<void*>(~std::uintptr_t{0}));
  HostTestWindow window(320, 200);
  ASSERT_TRUE(window.show());
  addMouseTracker(reinterpret_cast<void*>((std::uintptr_t{1} << 32) | window.id()));

  // One real window tracked now: one tracker hears the click, and it is outside.
  addMouseTracker(window.handle());
  const auto rect = window.onScreen();
  ASSERT_TRUE(rect);
  const auto away = outside({*rect});
  ASSERT_TRUE(away);
  ASSERT_TRUE(movePointer(away->first, away->second));
  const std::size_t from = receivedEvents().size();
  // The wheel's steps and the middle button are no click; the right button is.
  ASSERT_TRUE(xdotool({"click", "4", "click", "5", "click", "2"}));
  ASSERT_TRUE(clickHandled(output, {"click", "3"}));
  EXPECT_EQ(countOf(output.text(), "clicked bro"), 1u);
  EXPECT_TRUE(heard("clcicked_outside", from));
}

// A destroyed window is released; a hidden one is no closing, and is tracked at its new size.
TEST_F(MouseTrackingTest, AWindowDestroyedOrHiddenUnderThePointerLeavesItOutside) {
  StandardOutputCapture& output = this->output();
  HostTestWindow closing(320, 200);
  ASSERT_TRUE(closing.show());
  HostTestWindow staying(200, 120);
  ASSERT_TRUE(staying.show());
  const auto closingRect = closing.onScreen();
  const auto stayingRect = staying.onScreen();
  ASSERT_TRUE(closingRect && stayingRect);
  auto away = outside({*closingRect, *stayingRect});
  ASSERT_TRUE(away);
  addMouseTracker(closing.handle());
  addMouseTracker(staying.handle());
  ASSERT_TRUE(movePointer(away->first, away->second));
  ASSERT_TRUE(pumpUntil([] { return !bridge::globals().isInWindow; }));

  // Over the part of the closing window that the other one does not cover.
  const auto [x, y] = centreOf(*closingRect);
  int px = x;
  int py = y;
  for (int dx = -closingRect->width / 2 + 4; stayingRect->contains(px, py); dx += 8) {
    px = x + dx;
    ASSERT_LT(dx, closingRect->width / 2) << "the windows cover each other";
  }
  std::size_t from = receivedEvents().size();
  ASSERT_TRUE(movePointer(px, py));
  ASSERT_TRUE(waitForEvent("mouse_hoverd", from));

  closing.destroy();
  // The destroyed window's tracker is released: from now on only the other one hears clicks,
  // and the pointer counts as outside until it enters a window again.
  ASSERT_TRUE(pumpUntil([] { return !bridge::globals().isInWindow; }));
  ASSERT_TRUE(movePointer(away->first, away->second));
  from = receivedEvents().size();
  const std::size_t before = countOf(output.text(), "clicked bro");
  ASSERT_TRUE(clickHandled(output));
  EXPECT_EQ(countOf(output.text(), "clicked bro"), before + 1);
  EXPECT_TRUE(heard("clcicked_outside", from));

  ASSERT_TRUE(hover(*stayingRect));

  // Hidden under the pointer, the window no longer holds it.
  staying.hide();
  ASSERT_TRUE(pumpUntil([] { return !bridge::globals().isInWindow; }));
  ASSERT_TRUE(movePointer(away->first, away->second));
  // Shown again, it is still tracked.
  ASSERT_TRUE(staying.show());
  const auto shown = staying.onScreen();
  ASSERT_TRUE(shown);
  ASSERT_TRUE(hover(*shown));

  staying.resize(400, 300);
  std::optional<ScreenRect> large;
  if (!pumpUntil([&] {
        large = staying.onScreen();
        return large && large->width == 400 && large->height == 300;
      })) {
    GTEST_SKIP() << "the window manager keeps the window at its size";
  }
  away = outside({*large});
  ASSERT_TRUE(away);
  ASSERT_TRUE(movePointer(away->first, away->second));
  ASSERT_TRUE(pumpUntil([] { return !bridge::globals().isInWindow; }));

  // A point of the grown window that lay outside its first size.
  const int cornerX = large->x + large->width - 10;
  const int cornerY = large->y + large->height - 10;
  ASSERT_FALSE(ScreenRect({large->x, large->y, stayingRect->width, stayingRect->height})
                   .contains(cornerX, cornerY));
  from = receivedEvents().size();
  ASSERT_TRUE(movePointer(cornerX, cornerY));
  EXPECT_TRUE(waitForEvent("mouse_hoverd", from));
}

TEST_F(MouseTrackingTest, NothingWakesTheHostOnceNothingIsTrackedOrItsWindowsAreDestroyed) {
  for (const bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destroyed" : "no longer tracked");
    HostTestWindow window(320, 200);
    const auto [rect, away] = showWithPointAway(window);
    ASSERT_TRUE(rect && away);
    addMouseTracker(window.handle());
    ASSERT_TRUE(hover(*rect));
    if (destroy) {
      window.destroy();
      ASSERT_TRUE(pumpUntil([] { return !bridge::globals().isInWindow; }));
    } else {
      // While tracked, the pointer's moves reach the host.
      const std::uint64_t before = platform::x11::pointerWakeUps();
      ASSERT_TRUE(movePointer(away->first, away->second));
      ASSERT_TRUE(pumpUntil([&] { return platform::x11::pointerWakeUps() > before; }));
      window::resetMouseTrackers();
      bridge::globals().isInWindow = false;
    }
    // What was already on its way is let in first.
    pumpFor(kDeliveryBound);
    const std::uint64_t before = platform::x11::pointerWakeUps();
    // Across the window and back, as a mouse moves (relative steps), and clicking.
    ASSERT_TRUE(movePointer(rect->x - 20, rect->y + 20));
    for (int i = 0; i < 5; ++i) {
      ASSERT_TRUE(xdotool({"mousemove_relative", "--", i % 2 ? "-60" : "60", "10"}));
      ASSERT_TRUE(xdotool({"click", "1"}));
    }
    pumpFor(kDeliveryBound);
    EXPECT_EQ(platform::x11::pointerWakeUps(), before);
  }
}

// The host's window is where the user went from the application they work in; leaving it takes
// them back there. A click there comes before the selection it makes: a double click on a word
// reaches the host as the word's selection, not as a click outside in its place.
TEST_F(MouseTrackingTest, LeavingTheWindowBringsTheFollowedApplicationBackAndItsClicksComeFirst) {
  start("{}");
  TextAppOptions options;
  options.entryText = "hello world";
  auto app = startTextApp(options);
  ASSERT_TRUE(app);
  ASSERT_TRUE(switchTo(app->pid(), options.prgname, 0));

  // The host comes to the front with its main window; the tracked one is its panel over it.
  HostTestWindow main(400, 300, Placement::Application);
  ASSERT_TRUE(main.show());
  const std::string id = std::to_string(main.id());
  ASSERT_TRUE(xdotool({windowManagerRuns() ? "windowactivate" : "windowfocus", id}));
  ASSERT_TRUE(pumpUntil([] { return frontPid() == ::getpid(); }, 10.0));
  HostTestWindow window(320, 200, Placement::Fixed);
  window.moveTo(600, 600);  // clear of the application's entry
  const auto [rect, away] = showWithPointAway(window);
  ASSERT_TRUE(rect && away);
  addMouseTracker(window.handle());
  ASSERT_TRUE(hover(*rect));

  ASSERT_TRUE(movePointer(away->first, away->second));
  ASSERT_TRUE(pumpUntil([] { return !bridge::globals().isInWindow; }));
  EXPECT_TRUE(pumpUntil([&] { return frontPid() == app->pid(); }, 10.0));

  main.hide();
  pumpFor(kDeliveryBound);
  const auto word = app->ask("layout entry 6 11");
  ASSERT_TRUE(word && (*word)["rect"].is_array());
  const Json& at = (*word)["rect"];
  const std::size_t from = receivedEvents().size();
  ASSERT_TRUE(xdotool({"mousemove", std::to_string(at[0].get<int>() + 10),
                       std::to_string(at[1].get<int>() + at[3].get<int>() / 2), "click", "--repeat",
                       "2", "1"}));
  EXPECT_TRUE(waitForEvent("text_select", from, [](const Json& payload) {
    return payload.value("selected_text", "") == "world";
  }));
  pumpFor(kDeliveryBound);
  EXPECT_NE(receivedEvents().back().name, "clcicked_outside");
}

}  // namespace
}  // namespace axb::e2e
