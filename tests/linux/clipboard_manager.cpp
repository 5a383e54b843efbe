// A clipboard manager as desktops run one: it owns CLIPBOARD_MANAGER and, when a client asks it
// to save the clipboard (ICCCM SAVE_TARGETS), reads every target of CLIPBOARD and becomes its
// owner, so that the contents outlive the client. Prints one JSON line when it is running;
// "state" on standard input answers how many saves it made and the targets it keeps.
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/x11/x11_clipboard.h"
#include "platform/linux/x11/xcb_handles.h"
#include "platform/run_loop.h"
#include "x11_peer.h"

namespace x11 = axb::platform::x11;
using axb::x11_peer::atom;

int main() {
  const std::optional<x11::DisplayConnection> display = x11::connectToDisplay();
  if (!display) return 1;
  xcb_connection_t* c = display->connection.get();
  const xcb_window_t window = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, display->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  const xcb_atom_t manager = atom(c, "CLIPBOARD_MANAGER");
  const xcb_atom_t saveTargets = atom(c, "SAVE_TARGETS");
  xcb_set_selection_owner(c, window, manager, XCB_CURRENT_TIME);
  const x11::Reply<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, manager), nullptr));
  if (!owner || owner->owner != window) return 1;
  axb::x11_peer::say("{\"ready\": true}");

  int saves = 0;
  x11::Targets kept;
  std::string input;
  for (;;) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {xcb_get_file_descriptor(c), POLLIN, 0}};
    poll(fds, 2, 20);
    if (fds[0].revents & (POLLIN | POLLHUP)) {
      char buffer[256];
      const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
      if (got <= 0) return 0;
      input.append(buffer, static_cast<std::size_t>(got));
      for (std::size_t end; (end = input.find('\n')) != std::string::npos;) {
        input.erase(0, end + 1);
        std::vector<std::string> targets;
        for (const auto& target : kept) targets.push_back(target.first);
        axb::x11_peer::say(nlohmann::json{{"saves", saves}, {"targets", targets}}.dump());
      }
    }
    while (const x11::Event event{xcb_poll_for_event(c)}) {
      if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
        const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event.get());
        bool saved = false;
        if (request->target == saveTargets) {
          ++saves;
          kept = x11::readClipboard();
          x11::ownClipboard(kept, false);
          saved = !kept.empty();
        }
        axb::x11_peer::answer(c, *request, saved);
        xcb_flush(c);
      }
    }
    if (xcb_connection_has_error(c)) return 1;
    x11::serveClipboardUntil(axb::platform::monotonicSeconds());
  }
}
