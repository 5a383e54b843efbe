// The X11 clipboard's event pump: events are handled in batches, within a deadline, serving
// requests meanwhile; what is left of a full batch waits for the next turn of the main context.
#include <glib.h>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

#include "platform/linux/x11/clipboard_connection.h"
#include "platform/linux/x11/x11_clipboard.h"
#include "platform/run_loop.h"

namespace axb::platform::x11 {
namespace {

// Events handled in one turn of the main context, so that a flood of requests leaves the host's
// other work its turn; the rest wait for the next turn.
constexpr int kEventsPerTurn = 256;

// Everything the clipboard does on its own: serving, letting go, counting owner changes.
void handle(Clipboard& cb, const xcb_generic_event_t& event) {
  const std::uint8_t type = event.response_type & 0x7f;
  if (type == XCB_SELECTION_REQUEST) {
    serveRequest(cb, reinterpret_cast<const xcb_selection_request_event_t&>(event));
  } else if (type == XCB_SELECTION_CLEAR) {
    const auto& clear = reinterpret_cast<const xcb_selection_clear_event_t&>(event);
    // A clear read late, from before the library owned it again, is no longer true.
    const bool current = cb.ownedSince == XCB_CURRENT_TIME || clear.time >= cb.ownedSince;
    if (clear.selection == atom(cb, "CLIPBOARD") && clear.owner == cb.window && current) {
      // Another client took it: what it holds now is what the user has, ours is dropped.
      cb.owning = false;
      cb.offered.clear();
    }
  } else if (type == XCB_PROPERTY_NOTIFY) {
    continueTransfer(cb, reinterpret_cast<const xcb_property_notify_event_t&>(event));
  } else if (type == XCB_DESTROY_NOTIFY) {
    endTransfersTo(cb, reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
  } else if (type == 0) {
    // A request to a window destroyed before its end could be heard.
    const auto& error = reinterpret_cast<const xcb_generic_error_t&>(event);
    if (error.error_code == XCB_WINDOW) endTransfersTo(cb, error.resource_id);
  } else if (cb.xfixesEventBase != 0 && type == cb.xfixesEventBase + XCB_XFIXES_SELECTION_NOTIFY) {
    const auto& notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event);
    if (notify.selection == atom(cb, "CLIPBOARD")) ++cb.changes;
  }
  // Other events need nothing.
}

void continueNextTurn(Clipboard& cb);

// Handles at most one batch of events, answering the first that satisfies `wanted` instead;
// `full` tells whether more may be waiting in xcb's queue, where the descriptor does not show
// them.
Event handleBatch(Clipboard& cb, const std::function<bool(const xcb_generic_event_t&)>& wanted,
                  bool& full) {
  xcb_connection_t* c = cb.c();
  full = false;
  cb.servedThisBatch.clear();
  for (int handled = 0; handled < kEventsPerTurn; ++handled) {
    Event event(xcb_poll_for_event(c));
    if (!event) {
      xcb_flush(c);
      return nullptr;
    }
    if (wanted && wanted(*event)) {
      xcb_flush(c);
      return event;
    }
    handle(cb, *event);
  }
  xcb_flush(c);
  full = true;
  return nullptr;
}

}  // namespace

// Handles events until one satisfies `wanted` (answered) or the deadline passes (nothing). The
// deadline holds also while other clients keep sending events.
Event waitFor(Clipboard& cb, const std::function<bool(const xcb_generic_event_t&)>& wanted,
              double deadline) {
  xcb_connection_t* c = cb.c();
  for (;;) {
    bool full = false;
    if (Event event = handleBatch(cb, wanted, full)) return event;
    if (xcb_connection_has_error(c)) return nullptr;
    const double remaining = deadline - monotonicSeconds();
    if (remaining <= 0) {
      if (full) continueNextTurn(cb);
      return nullptr;
    }
    if (full) continue;
    pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
    poll(&descriptor, 1, static_cast<int>(std::ceil(std::min(remaining, 1.0) * 1000.0)));
  }
}

// A round trip: every change the server made before it has been read and handled.
void synchronise(Clipboard& cb) {
  xcb_connection_t* c = cb.c();
  const Reply<xcb_get_input_focus_reply_t> sync(
      xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  waitFor(cb, {}, 0);
}

// Between the library's calls the main context serves one batch of events per turn.
void readClipboardEvents() {
  if (Clipboard* cb = clipboard()) waitFor(*cb, {}, 0);
}

namespace {

void continueNextTurn(Clipboard& cb) {
  if (cb.turnScheduled) return;
  cb.turnScheduled = true;
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer) -> gboolean {
        if (Clipboard* next = clipboard()) {
          next->turnScheduled = false;
          waitFor(*next, {}, 0);
        }
        return G_SOURCE_REMOVE;
      },
      nullptr, nullptr);
}

}  // namespace

std::int64_t clipboardChangeCount() {
  Clipboard* cb = clipboard();
  if (!cb) return 0;
  synchronise(*cb);
  return cb->changes;
}

bool serveClipboardUntil(double deadline) {
  if (!clipboardOpened()) return false;
  Clipboard* cb = clipboard();
  if (!cb) return false;
  waitFor(*cb, {}, deadline);
  return true;
}

}  // namespace axb::platform::x11
