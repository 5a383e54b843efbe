// Serving what the library owns on the X11 CLIPBOARD: TARGETS, TIMESTAMP, MULTIPLE and every
// target written, large ones in INCR chunks, each request answered once per batch.
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/x11/clipboard_connection.h"
#include "platform/linux/x11/x11_clipboard.h"
#include "platform/run_loop.h"

namespace axb::platform::x11 {
namespace {

// A requestor that stops taking INCR chunks is given up after this long (one whose window is
// destroyed, at once).
constexpr double kStalledTransfer = 10.0;
// INCR transfers in progress at once, per requesting client and in all; more are refused.
constexpr std::size_t kTransfersPerClient = 4;
constexpr std::size_t kTransfersInAll = 16;

// Serves one target into the requestor's property; false when it cannot be served that way.
bool serveTarget(Clipboard& cb, xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property,
                 bool allowChunks);

void serveMultiple(Clipboard& cb, xcb_window_t requestor, xcb_atom_t property) {
  xcb_connection_t* c = cb.c();
  const xcb_atom_t atomPair = atom(cb, "ATOM_PAIR");
  const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c, xcb_get_property(c, 0, requestor, property, atomPair, 0, 1024), nullptr));
  if (!reply || reply->format != 32) return;
  const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  std::vector<xcb_atom_t> pairs(
      values, values + xcb_get_property_value_length(reply.get()) / sizeof(xcb_atom_t));
  // Chunked transfers are not nested in MULTIPLE: a large target is refused there.
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
    if (!serveTarget(cb, requestor, pairs[i], pairs[i + 1], false)) pairs[i + 1] = XCB_ATOM_NONE;
  }
  changeProperty(cb, requestor, property, atomPair, 32, pairs.data(), pairs.size());
}

void dropStalledTransfers(Clipboard& cb) {
  const double now = monotonicSeconds();
  // Requestors that went away (their windows with them) are given up.
  std::erase_if(cb.transfers, [now](const OutgoingTransfer& transfer) {
    return now - transfer.lastProgress > kStalledTransfer;
  });
}

// Whether another INCR transfer may start: a requestor that leaves transfers unfinished (or asks
// for many at once) would otherwise hold the main thread's time and the server's memory.
bool roomForTransfer(Clipboard& cb, xcb_window_t requestor) {
  dropStalledTransfers(cb);
  if (cb.transfers.size() >= kTransfersInAll) return false;
  const std::uint32_t client = requestor & cb.clientIdMask;
  const auto fromClient = std::count_if(
      cb.transfers.begin(), cb.transfers.end(),
      [&](const OutgoingTransfer& t) { return (t.requestor & cb.clientIdMask) == client; });
  return static_cast<std::size_t>(fromClient) < kTransfersPerClient;
}

bool serveTarget(Clipboard& cb, xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property,
                 bool allowChunks) {
  if (property == XCB_ATOM_NONE) return false;
  if (target == atom(cb, "TARGETS")) {
    std::vector<xcb_atom_t> list{target, atom(cb, "TIMESTAMP"), atom(cb, "MULTIPLE")};
    for (const auto& offered : cb.offered) list.push_back(offered.first);
    changeProperty(cb, requestor, property, XCB_ATOM_ATOM, 32, list.data(), list.size());
    return true;
  }
  if (target == atom(cb, "TIMESTAMP")) {
    const std::uint32_t time = cb.ownedSince;
    changeProperty(cb, requestor, property, XCB_ATOM_INTEGER, 32, &time, 1);
    return true;
  }
  if (target == atom(cb, "MULTIPLE")) {
    if (!allowChunks) return false;
    serveMultiple(cb, requestor, property);
    return true;
  }
  const auto found =
      std::find_if(cb.offered.begin(), cb.offered.end(),
                   [target](const auto& offered) { return offered.first == target; });
  if (found == cb.offered.end()) return false;
  // TEXT lets the owner choose the encoding: the library's text is UTF-8.
  const xcb_atom_t type = target == atom(cb, kTextTarget) ? atom(cb, kUtf8StringTarget) : target;
  const std::string& data = *found->second;
  if (data.size() <= cb.chunkSize) {
    changeProperty(cb, requestor, property, type, 8, data.data(), data.size());
    return true;
  }
  if (!allowChunks || !roomForTransfer(cb, requestor)) return false;
  // INCR: announce the size, then send a chunk each time the requestor deletes the property; the
  // transfer ends with the requestor's window.
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(cb.c(), requestor, XCB_CW_EVENT_MASK, &mask);
  const auto size = static_cast<std::uint32_t>(std::min<std::size_t>(data.size(), UINT32_MAX));
  changeProperty(cb, requestor, property, atom(cb, "INCR"), 32, &size, 1);
  cb.transfers.push_back(
      {requestor, property, type, IncrChunks(found->second, cb.chunkSize), monotonicSeconds()});
  return true;
}

// A request the same requestor repeats before the batch it is in has been answered is answered
// once: nobody waiting for an answer asks again meanwhile, and a flood of repeats would otherwise
// make every answer wait for the server, while xcb queues what arrives meanwhile.
bool repeatsThisBatch(Clipboard& cb, const xcb_selection_request_event_t& request) {
  const std::array<std::uint32_t, 4> key{request.requestor, request.selection, request.target,
                                         request.property};
  if (std::find(cb.servedThisBatch.begin(), cb.servedThisBatch.end(), key) !=
      cb.servedThisBatch.end()) {
    return true;
  }
  cb.servedThisBatch.push_back(key);
  return false;
}

}  // namespace

void serveRequest(Clipboard& cb, const xcb_selection_request_event_t& request) {
  if (repeatsThisBatch(cb, request)) return;
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = XCB_ATOM_NONE;
  const bool current = request.time == XCB_CURRENT_TIME || cb.ownedSince == XCB_CURRENT_TIME ||
                       request.time >= cb.ownedSince;
  if (request.selection == atom(cb, "CLIPBOARD") && request.owner == cb.window && cb.owning &&
      current) {
    // Clients from before ICCCM 2 name no property: the target's name is used.
    const xcb_atom_t property =
        request.property == XCB_ATOM_NONE ? request.target : request.property;
    if (serveTarget(cb, request.requestor, request.target, property, true)) {
      notify.property = property;
    }
  }
  // Sent with the next flush, once per batch of events.
  xcb_send_event(cb.c(), 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&notify));
}

void continueTransfer(Clipboard& cb, const xcb_property_notify_event_t& notify) {
  const double now = monotonicSeconds();
  dropStalledTransfers(cb);
  if (notify.state != XCB_PROPERTY_DELETE) return;
  const auto transfer = std::find_if(
      cb.transfers.begin(), cb.transfers.end(), [&notify](const OutgoingTransfer& candidate) {
        return candidate.requestor == notify.window && candidate.property == notify.atom;
      });
  if (transfer == cb.transfers.end()) return;
  const std::string_view chunk = transfer->chunks.next();
  changeProperty(cb, transfer->requestor, transfer->property, transfer->type, 8, chunk.data(),
                 chunk.size());
  transfer->lastProgress = now;
  if (transfer->chunks.finished()) {
    const xcb_window_t requestor = transfer->requestor;
    cb.transfers.erase(transfer);
    const bool more =
        std::any_of(cb.transfers.begin(), cb.transfers.end(),
                    [&](const OutgoingTransfer& t) { return t.requestor == requestor; });
    const std::uint32_t mask = XCB_EVENT_MASK_NO_EVENT;
    if (requestor != cb.window && !more) {
      xcb_change_window_attributes(cb.c(), requestor, XCB_CW_EVENT_MASK, &mask);
    }
  }
}

// The requestor's window is gone: its transfers can never go on.
void endTransfersTo(Clipboard& cb, xcb_window_t requestor) {
  std::erase_if(cb.transfers,
                [requestor](const OutgoingTransfer& t) { return t.requestor == requestor; });
}

namespace {

// The server's time now, from a property change on the clipboard's window (ICCCM asks owners
// for a real timestamp, which TIMESTAMP then answers).
xcb_timestamp_t serverTime(Clipboard& cb) {
  const xcb_atom_t property = atom(cb, "AXBRIDGE_TIMESTAMP");
  xcb_change_property(cb.c(), XCB_PROP_MODE_APPEND, cb.window, property, XCB_ATOM_STRING, 8, 0,
                      nullptr);
  xcb_flush(cb.c());
  const Event event = waitFor(
      cb,
      [&cb, property](const xcb_generic_event_t& e) {
        if ((e.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(e);
        return notify.window == cb.window && notify.atom == property;
      },
      monotonicSeconds() + kRequestWait);
  if (!event) return XCB_CURRENT_TIME;
  return reinterpret_cast<const xcb_property_notify_event_t&>(*event).time;
}

}  // namespace

std::int64_t ownClipboard(const Targets& targets, bool handOffToManager) {
  Clipboard* cb = clipboard();
  if (!cb) return 0;
  const xcb_atom_t selection = atom(*cb, "CLIPBOARD");
  cb->transfers.clear();
  if (targets.empty()) {
    cb->offered.clear();
    cb->owning = false;
    xcb_set_selection_owner(cb->c(), XCB_WINDOW_NONE, selection, XCB_CURRENT_TIME);
    synchronise(*cb);
    return cb->changes;
  }
  decltype(cb->offered) offered;
  for (const auto& [name, data] : targets) {
    const xcb_atom_t target = atom(*cb, name);
    if (target != XCB_ATOM_NONE) offered.emplace_back(target, std::make_shared<std::string>(data));
  }
  cb->offered = std::move(offered);
  cb->ownedSince = serverTime(*cb);
  xcb_set_selection_owner(cb->c(), cb->window, selection, cb->ownedSince);
  cb->owning = ownerOf(*cb, selection) == cb->window;
  if (!cb->owning) cb->offered.clear();
  // Our own change of owner is counted before the count is answered.
  synchronise(*cb);
  if (cb->owning && handOffToManager) {
    handOff(*cb);
    synchronise(*cb);
  }
  return cb->changes;
}

}  // namespace axb::platform::x11
