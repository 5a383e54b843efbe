// The library's own connection to the Wayland compositor, with the globals it uses: the seat,
// the virtual keyboard manager and the clipboard's data-control managers, where offered. Its
// events are dispatched on the host's main context, and inside the library's blocking waits.
// Main thread only.
#pragma once

#include <poll.h>

#include <vector>

struct wl_display;
struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwlr_data_control_manager_v1;
struct ext_data_control_manager_v1;

namespace axb::platform::wayland::client {

struct Globals {
  wl_display* display = nullptr;
  wl_seat* seat = nullptr;
  zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
  zwlr_data_control_manager_v1* dataControl = nullptr;
  ext_data_control_manager_v1* standardDataControl = nullptr;
};

// Connected on first use to the compositor WAYLAND_DISPLAY names; nothing without one, or once
// the connection broke.
Globals* globals();

// Sends what was requested, waits until the compositor sent something, one of `others` is ready
// or the monotonic deadline passed (a deadline already past only reads what is there), and
// dispatches what arrived. False when the connection broke.
bool pollOnce(double deadline, std::vector<pollfd>& others);

// Waits until the compositor has handled every request sent so far, dispatching meanwhile;
// false when it did not within the deadline.
bool roundTrip(double deadline);

}  // namespace axb::platform::wayland::client
