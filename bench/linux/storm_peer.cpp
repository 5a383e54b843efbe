// X11 clients that storm the display, for axbridge_measure_linux's figures. One mode per run:
//
//   request-flood COUNT        asks the CLIPBOARD owner for its text COUNT times, as fast as it can
//   window-storm SECONDS RATE [PID]  creates, maps, moves and destroys RATE windows a second,
//                              each claiming to be PID's (_NET_WM_PID; its own by default)
//   configure-flood SECONDS    resizes one window (override-redirect) as fast as it can
//
// Prints {"ready": true} once started, then {"done": ...} when it has stormed; runs until its
// standard input closes or it is killed.
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/x11/xcb_handles.h"
#include "x11_peer.h"

namespace {

namespace x11 = axb::platform::x11;
using axb::x11_peer::inputClosed;
using axb::x11_peer::say;

xcb_connection_t* c = nullptr;
xcb_window_t root = XCB_WINDOW_NONE;
// The process the windows claim to belong to.
std::uint32_t claimedPid = 0;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

xcb_atom_t atom(const char* name) {
  return axb::x11_peer::atom(c, name);
}

xcb_window_t newWindow(bool overrideRedirect) {
  const xcb_window_t window = xcb_generate_id(c);
  const std::uint32_t values[] = {overrideRedirect ? 1u : 0u, XCB_EVENT_MASK_PROPERTY_CHANGE};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 10, 10, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                    XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
  const std::uint32_t pid = claimedPid;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32,
                      1, &pid);
  return window;
}

void sync() {
  axb::x11_peer::sync(c);
}

void idleUntilInputCloses() {
  while (!inputClosed()) {
    const x11::Event ignored(xcb_poll_for_event(c));
    usleep(20000);
  }
}

int requestFlood(std::uint64_t count) {
  const xcb_window_t window = newWindow(false);
  const xcb_atom_t clipboard = atom("CLIPBOARD");
  const xcb_atom_t text = atom("UTF8_STRING");
  const xcb_atom_t property = atom("FLOOD");
  say("{\"ready\": true}");
  std::uint64_t requests = 0;
  while (requests < count) {
    for (int i = 0; i < 1000; ++i) {
      xcb_convert_selection(c, window, clipboard, text, property, XCB_CURRENT_TIME);
    }
    requests += 1000;
    while (x11::Event(xcb_poll_for_event(c))) {
    }
    xcb_flush(c);
  }
  sync();
  say("{\"done\": true, \"requests\": " + std::to_string(requests) + "}");
  idleUntilInputCloses();
  return 0;
}

int windowStorm(double seconds, double rate) {
  say("{\"ready\": true}");
  // Each window lives while the next few hundred are made, as a busy application's would.
  std::vector<xcb_window_t> alive(300, XCB_WINDOW_NONE);
  std::uint64_t windows = 0;
  const double began = now();
  for (const double end = began + seconds; now() < end;) {
    // Paced in slices of 10 ms.
    const auto due = static_cast<std::uint64_t>((now() - began) * rate);
    for (; windows < due; ++windows) {
      xcb_window_t& slot = alive[windows % alive.size()];
      if (slot != XCB_WINDOW_NONE) xcb_destroy_window(c, slot);
      slot = newWindow(true);
      xcb_map_window(c, slot);
      const std::uint32_t position[] = {static_cast<std::uint32_t>(windows % 500), 20};
      xcb_configure_window(c, slot, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
    }
    sync();
    while (x11::Event(xcb_poll_for_event(c))) {
    }
    usleep(10000);
  }
  for (const xcb_window_t window : alive) {
    if (window != XCB_WINDOW_NONE) xcb_destroy_window(c, window);
  }
  sync();
  say("{\"done\": true, \"windows\": " + std::to_string(windows) + "}");
  idleUntilInputCloses();
  return 0;
}

int configureFlood(double seconds) {
  const xcb_window_t window = newWindow(true);
  xcb_map_window(c, window);
  say("{\"ready\": true}");
  std::uint64_t moves = 0;
  for (const double end = now() + seconds; now() < end;) {
    for (int i = 0; i < 1000; ++i, ++moves) {
      const std::uint32_t size[] = {10u + static_cast<std::uint32_t>(moves % 300), 10};
      xcb_configure_window(c, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    }
    sync();
    while (x11::Event(xcb_poll_for_event(c))) {
    }
  }
  say("{\"done\": true, \"moves\": " + std::to_string(moves) + "}");
  idleUntilInputCloses();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<x11::DisplayConnection> display = x11::connectToDisplay();
  if (!display) return 1;
  c = display->connection.get();
  root = display->root;
  claimedPid = static_cast<std::uint32_t>(getpid());
  const std::string mode = argc > 1 ? argv[1] : "";
  const auto number = [&](int index) { return argc > index ? std::atof(argv[index]) : 0.0; };
  if (mode == "request-flood") return requestFlood(static_cast<std::uint64_t>(number(2)));
  if (mode == "window-storm") {
    if (argc > 4) claimedPid = static_cast<std::uint32_t>(number(4));
    return windowStorm(number(2), number(3));
  }
  if (mode == "configure-flood") return configureFlood(number(2));
  return 2;
}
