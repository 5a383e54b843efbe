#include "platform/linux/x11/x11_clipboard.h"

#include <glib.h>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/x11/connection_watch.h"
#include "platform/linux/x11/xcb_handles.h"
#include "platform/run_loop.h"

namespace axb::platform::x11 {
namespace {

// Each request to another client waits this long at most (an owner may be hung); an INCR
// transfer waits this long for each chunk.
constexpr double kRequestWait = 1.0;
// A whole read of the clipboard stops asking after this long, INCR transfers included.
constexpr double kReadBudget = 4.0;
// A read takes at most this many targets from the owner's list (an owner may offer millions).
constexpr std::size_t kMostTargets = 1024;
// A read saves at most this many bytes in all; a target that would go beyond is left out.
constexpr std::size_t kMostSavedBytes = std::size_t{256} << 20;
// Requests to other clients cycle through this many properties.
constexpr unsigned kRequestProperties = 8;
// A clipboard manager gets this long to take its copy.
constexpr double kHandOffWait = 2.0;
// Data above this size is sent in chunks (INCR), whatever the server would take in one request.
constexpr std::size_t kLargestChunk = 256 * 1024;
// A requestor that stops taking INCR chunks is given up after this long (one whose window is
// destroyed, at once).
constexpr double kStalledTransfer = 10.0;
// INCR transfers in progress at once, per requesting client and in all; more are refused.
constexpr std::size_t kTransfersPerClient = 4;
constexpr std::size_t kTransfersInAll = 16;
// Events handled in one turn of the main context, so that a flood of requests leaves the host's
// other work its turn; the rest wait for the next turn.
constexpr int kEventsPerTurn = 256;

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

Clipboard* clipboard();

xcb_atom_t atom(Clipboard& cb, const std::string& name) {
  if (const auto found = cb.atoms.find(name); found != cb.atoms.end()) return found->second;
  xcb_connection_t* c = cb.c();
  const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c,
      xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::min<std::size_t>(name.size(), 65535)),
                      name.data()),
      nullptr));
  const xcb_atom_t value = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  if (value != XCB_ATOM_NONE) {
    cb.atoms[name] = value;
    cb.names[value] = name;
  }
  return value;
}

std::optional<std::string> atomName(Clipboard& cb, xcb_atom_t value) {
  if (const auto found = cb.names.find(value); found != cb.names.end()) return found->second;
  xcb_connection_t* c = cb.c();
  const Reply<xcb_get_atom_name_reply_t> reply(
      xcb_get_atom_name_reply(c, xcb_get_atom_name(c, value), nullptr));
  if (!reply) return std::nullopt;
  std::string name(xcb_get_atom_name_name(reply.get()),
                   static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
  cb.names[value] = name;
  cb.atoms[name] = value;
  return name;
}

void changeProperty(Clipboard& cb, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                    std::uint8_t format, const void* data, std::size_t units) {
  xcb_change_property(cb.c(), XCB_PROP_MODE_REPLACE, window, property, type, format,
                      static_cast<std::uint32_t>(units), data);
}

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

xcb_window_t ownerOf(Clipboard& cb, xcb_atom_t selection) {
  xcb_connection_t* c = cb.c();
  const Reply<xcb_get_selection_owner_reply_t> reply(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
  return reply ? reply->owner : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

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

// TooLarge: the data would go beyond what the read may still save.
enum class Outcome { Read, Refused, TimedOut, TooLarge };
struct Conversion {
  Outcome outcome = Outcome::Refused;
  std::string data;
  xcb_atom_t type = XCB_ATOM_NONE;
  std::uint8_t format = 8;
};

bool isPropertyNotify(const Clipboard& cb, const xcb_generic_event_t& e, xcb_atom_t property) {
  if ((e.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
  const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(e);
  return notify.window == cb.window && notify.atom == property &&
         notify.state == XCB_PROPERTY_NEW_VALUE;
}

// Reads the property (at most `limit` bytes of it) and deletes it. `complete` tells whether that
// was all of it.
Reply<xcb_get_property_reply_t> takeProperty(Clipboard& cb, xcb_atom_t property, std::size_t limit,
                                             bool& complete) {
  xcb_connection_t* c = cb.c();
  const auto units =
      static_cast<std::uint32_t>(std::min<std::size_t>(limit / 4 + 1, UINT32_MAX / 4));
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c, xcb_get_property(c, 1, cb.window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, units),
      nullptr));
  complete =
      !reply || (reply->bytes_after == 0 &&
                 static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) <= limit);
  // The server deletes only a property read to its end.
  if (reply && reply->bytes_after != 0) xcb_delete_property(c, cb.window, property);
  return reply;
}

std::string valueOf(const xcb_get_property_reply_t& reply) {
  const int length = xcb_get_property_value_length(&reply);
  return std::string(static_cast<const char*>(xcb_get_property_value(&reply)),
                     static_cast<std::size_t>(std::max(length, 0)));
}

// Asks the owner for one target and reads it, chunk by chunk when it sends INCR, within the
// read's deadline and at most `limit` bytes: with `truncate` the first `limit` bytes are kept,
// otherwise more is TooLarge.
Conversion convert(Clipboard& cb, xcb_atom_t target, double budgetEnd, std::size_t limit,
                   bool truncate = false) {
  const xcb_atom_t selection = atom(cb, "CLIPBOARD");
  // A property of its own for each of the last few requests: a late answer to an earlier one
  // lands elsewhere.
  const xcb_atom_t property =
      atom(cb, "AXBRIDGE_SELECTION_" + std::to_string(cb.conversions++ % kRequestProperties));
  xcb_delete_property(cb.c(), cb.window, property);
  xcb_convert_selection(cb.c(), cb.window, selection, target, property, XCB_CURRENT_TIME);
  xcb_flush(cb.c());
  const Event answer = waitFor(
      cb,
      [&cb, selection, target, property](const xcb_generic_event_t& e) {
        if ((e.response_type & 0x7f) != XCB_SELECTION_NOTIFY) return false;
        const auto& notify = reinterpret_cast<const xcb_selection_notify_event_t&>(e);
        // An owner that was slow may still answer an earlier request: that answer is not this.
        return notify.requestor == cb.window && notify.selection == selection &&
               notify.target == target &&
               (notify.property == property || notify.property == XCB_ATOM_NONE);
      },
      std::min(monotonicSeconds() + kRequestWait, budgetEnd));
  Conversion result;
  if (!answer) {
    result.outcome = Outcome::TimedOut;
    return result;
  }
  const auto& notify = reinterpret_cast<const xcb_selection_notify_event_t&>(*answer);
  if (notify.property == XCB_ATOM_NONE) return result;
  bool complete = true;
  const auto first = takeProperty(cb, property, limit, complete);
  if (!first || first->type == XCB_ATOM_NONE) return result;
  result.type = first->type;
  result.format = first->format;
  if (first->type != atom(cb, "INCR")) {
    result.data = valueOf(*first);
    result.outcome = Outcome::Read;
    if (!complete && !truncate) result.outcome = Outcome::TooLarge;
    result.data.resize(std::min(result.data.size(), limit));
    if (result.outcome == Outcome::TooLarge) result.data.clear();
    return result;
  }
  // INCR: each deletion asks for the next chunk; an empty chunk ends the transfer. An owner may
  // send chunks without end: the read's deadline and size limit end it then.
  result.type = XCB_ATOM_NONE;
  for (;;) {
    const Event chunkReady = monotonicSeconds() >= budgetEnd
                                 ? nullptr
                                 : waitFor(
                                       cb,
                                       [&cb, property](const xcb_generic_event_t& e) {
                                         return isPropertyNotify(cb, e, property);
                                       },
                                       std::min(monotonicSeconds() + kRequestWait, budgetEnd));
    if (!chunkReady) {
      result.outcome = Outcome::TimedOut;
      result.data.clear();
      return result;
    }
    const auto chunk = takeProperty(cb, property, limit - result.data.size(), complete);
    if (!chunk || chunk->type == atom(cb, "INCR")) continue;
    if (xcb_get_property_value_length(chunk.get()) <= 0) break;
    result.type = chunk->type;
    result.format = chunk->format;
    // A chunk read up to the limit may bring a few bytes more (the server answers whole units of
    // four): they are not kept, so that the buffer never grows past the limit.
    const auto length =
        std::min(static_cast<std::size_t>(xcb_get_property_value_length(chunk.get())),
                 limit - result.data.size());
    const std::size_t needed = result.data.size() + length;
    // Grown by doubling, and straight to the limit once past half of it: a growth copies what was
    // read into the new buffer while the old one is still held, which past half the limit would
    // hold more than the limit (and the standard library's doubling would overshoot it).
    if (needed > result.data.capacity()) {
      const std::size_t grown = std::max(needed, result.data.capacity() * 2);
      result.data.reserve(grown > limit / 2 ? limit : grown);
    }
    result.data.append(static_cast<const char*>(xcb_get_property_value(chunk.get())), length);
    if (!complete) {
      // The owner is left with its transfer unfinished: nothing more is taken from it.
      result.data.resize(std::min(result.data.size(), limit));
      if (truncate) break;
      result.outcome = Outcome::TooLarge;
      result.data.clear();
      return result;
    }
  }
  result.outcome = Outcome::Read;
  return result;
}

// Between the library's calls the main context serves one batch of events per turn.
void readEvents() {
  if (Clipboard* cb = clipboard()) waitFor(*cb, {}, 0);
}

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

Clipboard* open() {
  std::optional<x11::DisplayConnection> connected = x11::connectToDisplay();
  if (!connected) return nullptr;
  auto cb = std::make_unique<Clipboard>();
  cb->connection = std::move(connected->connection);
  cb->root = connected->root;
  xcb_connection_t* raw = cb->c();
  cb->clientIdMask = ~xcb_get_setup(raw)->resource_id_mask;
  cb->window = xcb_generate_id(raw);
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(raw, XCB_COPY_FROM_PARENT, cb->window, cb->root, -10, -10, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
  // Requests are limited in size (in four-byte units); chunks stay well below.
  const std::size_t largestRequest = std::size_t{xcb_get_maximum_request_length(raw)} * 4;
  cb->chunkSize = std::min(kLargestChunk, largestRequest / 4);
  const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(raw, &xcb_xfixes_id);
  if (xfixes && xfixes->present) {
    const Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
        raw, xcb_xfixes_query_version(raw, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    if (version) {
      cb->xfixesEventBase = xfixes->first_event;
      xcb_xfixes_select_selection_input(
          raw, cb->window, atom(*cb, "CLIPBOARD"),
          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    }
  }
  xcb_flush(raw);
  // Between the library's calls the host's main context answers the clipboard's requests.
  watchConnection(raw, readEvents);
  return cb.release();
}

bool opened = false;

// Opened on first use and kept: what the library owns is served for the process's life.
Clipboard* clipboard() {
  static Clipboard* const instance = [] {
    opened = true;
    return open();
  }();
  if (!instance || xcb_connection_has_error(instance->c())) return nullptr;
  return instance;
}

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

}  // namespace

std::int64_t clipboardChangeCount() {
  Clipboard* cb = clipboard();
  if (!cb) return 0;
  synchronise(*cb);
  return cb->changes;
}

Targets readClipboard() {
  Clipboard* cb = clipboard();
  if (!cb) return {};
  const xcb_window_t owner = ownerOf(*cb, atom(*cb, "CLIPBOARD"));
  Targets read;
  if (owner == XCB_WINDOW_NONE) return read;
  if (owner == cb->window) {
    for (const auto& [target, data] : cb->offered) {
      if (const auto name = atomName(*cb, target)) read.emplace_back(*name, *data);
    }
    return read;
  }
  const double budgetEnd = monotonicSeconds() + kReadBudget;
  const Conversion list =
      convert(*cb, atom(*cb, "TARGETS"), budgetEnd, kMostTargets * sizeof(xcb_atom_t), true);
  std::vector<xcb_atom_t> targets;
  if (list.outcome == Outcome::Read && list.format == 32) {
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(list.data.data());
    targets.assign(atoms, atoms + list.data.size() / sizeof(xcb_atom_t));
  } else if (list.outcome == Outcome::Refused) {
    // An owner that keeps its list to itself may still give text.
    targets.push_back(atom(*cb, kUtf8StringTarget));
  } else {
    return read;  // not answering: asking again would only block longer
  }
  // A password manager's secret is not read: it is never given back either.
  for (const xcb_atom_t target : targets) {
    if (atomName(*cb, target) == kPasswordManagerHintTarget) {
      return {{kPasswordManagerHintTarget, kPasswordManagerHintValue}};
    }
  }
  std::size_t saved = 0;
  for (const xcb_atom_t target : targets) {
    if (monotonicSeconds() >= budgetEnd) break;
    const auto name = atomName(*cb, target);
    if (!name || isMetaTarget(*name)) continue;
    if (std::any_of(read.begin(), read.end(), [&](const auto& r) { return r.first == *name; })) {
      continue;
    }
    Conversion value = convert(*cb, target, budgetEnd, kMostSavedBytes - saved);
    if (value.outcome == Outcome::TimedOut) break;
    if (value.outcome == Outcome::Read && value.format == 8) {
      saved += value.data.size();
      read.emplace_back(*name, std::move(value.data));
    }
  }
  return read;
}

std::optional<std::string> readClipboardText() {
  Clipboard* cb = clipboard();
  if (!cb) return std::nullopt;
  const xcb_window_t owner = ownerOf(*cb, atom(*cb, "CLIPBOARD"));
  if (owner == XCB_WINDOW_NONE) return std::nullopt;
  const double budgetEnd = monotonicSeconds() + kRequestWait;
  for (const char* name : {kUtf8StringTarget, kTextPlainUtf8Target}) {
    const xcb_atom_t target = atom(*cb, name);
    if (owner == cb->window) {
      for (const auto& [offered, data] : cb->offered) {
        if (offered == target) return *data;
      }
      continue;
    }
    const Conversion value = convert(*cb, target, budgetEnd, kMostSavedBytes);
    if (value.outcome == Outcome::TimedOut) return std::nullopt;
    if (value.outcome == Outcome::Read && value.format == 8) return value.data;
  }
  return std::nullopt;
}

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

bool serveClipboardUntil(double deadline) {
  if (!opened) return false;
  Clipboard* cb = clipboard();
  if (!cb) return false;
  waitFor(*cb, {}, deadline);
  return true;
}

}  // namespace axb::platform::x11
