// What the parts of the X11 clipboard share: its connection of its own, with a small unmapped
// window, what it owns, its atoms, and the event pump every wait goes through (events are
// handled in batches, serving requests meanwhile). Main thread only.
#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/x11/clipboard_targets.h"
#include "platform/linux/x11/xcb_handles.h"

namespace axb::platform::x11 {

// Each request to another client waits this long at most (an owner may be hung); an INCR
// transfer waits this long for each chunk.
constexpr double kRequestWait = 1.0;
// Data above this size is sent in chunks (INCR), whatever the server would take in one request.
constexpr std::size_t kLargestChunk = 256 * 1024;

// A large target going to a requestor chunk by chunk, each after it deleted the previous one.
struct OutgoingTransfer {
  xcb_window_t requestor = XCB_WINDOW_NONE;
  xcb_atom_t property = XCB_ATOM_NONE;
  xcb_atom_t type = XCB_ATOM_NONE;
  IncrChunks chunks;
  double lastProgress = 0;
};

struct Clipboard {
  x11::Connection connection;
  xcb_window_t root = XCB_WINDOW_NONE;
  xcb_window_t window = XCB_WINDOW_NONE;
  std::uint8_t xfixesEventBase = 0;
  // The bits of a resource id that name the client that made it.
  std::uint32_t clientIdMask = 0;
  bool turnScheduled = false;
  // The requests answered in the batch being handled.
  std::vector<std::array<std::uint32_t, 4>> servedThisBatch;
  std::size_t chunkSize = kLargestChunk;
  std::map<std::string, xcb_atom_t> atoms;
  std::map<xcb_atom_t, std::string> names;
  std::int64_t changes = 0;
  unsigned conversions = 0;
  bool owning = false;
  xcb_timestamp_t ownedSince = XCB_CURRENT_TIME;
  // One copy of each target's data, shared by every transfer of it.
  std::vector<std::pair<xcb_atom_t, std::shared_ptr<const std::string>>> offered;
  std::vector<OutgoingTransfer> transfers;

  xcb_connection_t* c() const { return connection.get(); }
};

// The clipboard's connection, opened on first use and kept: what the library owns is served for
// the process's life. Nothing without a display, or once the connection broke.
Clipboard* clipboard();
// Whether the connection was ever asked for (and so opened).
bool clipboardOpened();

// Atoms and their names, asked of the server once each.
xcb_atom_t atom(Clipboard& cb, const std::string& name);
std::optional<std::string> atomName(Clipboard& cb, xcb_atom_t value);
void changeProperty(Clipboard& cb, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                    std::uint8_t format, const void* data, std::size_t units);
xcb_window_t ownerOf(Clipboard& cb, xcb_atom_t selection);

// The event pump (clipboard_events.cpp). Handles events until one satisfies `wanted` (answered)
// or the monotonic deadline passes (nothing).
Event waitFor(Clipboard& cb, const std::function<bool(const xcb_generic_event_t&)>& wanted,
              double deadline);
// A round trip: every change the server made before it has been read and handled.
void synchronise(Clipboard& cb);
// One batch of events, when the main context finds the connection readable.
void readClipboardEvents();

// Serving what the library owns (clipboard_serving.cpp), as events ask.
void serveRequest(Clipboard& cb, const xcb_selection_request_event_t& request);
void continueTransfer(Clipboard& cb, const xcb_property_notify_event_t& notify);
void endTransfersTo(Clipboard& cb, xcb_window_t requestor);

// Asks a running clipboard manager to keep a copy of what the library owns
// (clipboard_hand_off.cpp).
void handOff(Clipboard& cb);

}  // namespace axb::platform::x11
