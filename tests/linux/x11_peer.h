// What the X11 test peers share: atoms by name, and the answer to a selection request.
#pragma once

#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/linux/x11/xcb_handles.h"

namespace axb::x11_peer {

inline xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  const platform::x11::Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// Returns once the server has handled every request sent before.
inline void sync(xcb_connection_t* c) {
  const platform::x11::Reply<xcb_get_input_focus_reply_t> reply(
      xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// Whether standard input has closed (the test that started the peer is done with it).
inline bool inputClosed() {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, 0) <= 0) return false;
  char buffer[256];
  return read(STDIN_FILENO, buffer, sizeof buffer) <= 0;
}

// One line to the test, at once.
inline void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// Tells the requestor that its property holds the answer, or that the request was refused.
inline void answer(xcb_connection_t* c, const xcb_selection_request_event_t& request, bool served) {
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = served ? request.property : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&notify));
}

}  // namespace axb::x11_peer
