// Handing what the library owns on CLIPBOARD to a running clipboard manager (ICCCM
// SAVE_TARGETS), so that it outlives the process.
#include <xcb/xcb.h>

#include <vector>

#include "platform/linux/x11/clipboard_connection.h"
#include "platform/run_loop.h"

namespace axb::platform::x11 {
namespace {

// A clipboard manager gets this long to take its copy.
constexpr double kHandOffWait = 2.0;

}  // namespace

void handOff(Clipboard& cb) {
  const xcb_atom_t manager = atom(cb, "CLIPBOARD_MANAGER");
  if (ownerOf(cb, manager) == XCB_WINDOW_NONE) return;
  // The targets to keep, in a property the manager reads (ICCCM).
  std::vector<xcb_atom_t> targets;
  for (const auto& offered : cb.offered) targets.push_back(offered.first);
  const xcb_atom_t property = atom(cb, "AXBRIDGE_SAVE_TARGETS");
  changeProperty(cb, cb.window, property, XCB_ATOM_ATOM, 32, targets.data(), targets.size());
  xcb_convert_selection(cb.c(), cb.window, manager, atom(cb, "SAVE_TARGETS"), property,
                        cb.ownedSince);
  xcb_flush(cb.c());
  // The manager asks for every target meanwhile: they are served while waiting.
  waitFor(
      cb,
      [&cb, manager](const xcb_generic_event_t& e) {
        if ((e.response_type & 0x7f) != XCB_SELECTION_NOTIFY) return false;
        const auto& notify = reinterpret_cast<const xcb_selection_notify_event_t&>(e);
        return notify.requestor == cb.window && notify.selection == manager;
      },
      monotonicSeconds() + kHandOffWait);
}

}  // namespace axb::platform::x11
