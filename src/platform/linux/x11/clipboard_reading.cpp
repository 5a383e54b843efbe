// Reading the X11 CLIPBOARD from its owner: its targets, then each one, INCR transfers included,
// within the read's deadline and size.
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/x11/clipboard_connection.h"
#include "platform/linux/x11/x11_clipboard.h"
#include "platform/run_loop.h"

namespace axb::platform::x11 {
namespace {

// A whole read of the clipboard stops asking after this long, INCR transfers included.
constexpr double kReadBudget = 4.0;
// A read takes at most this many targets from the owner's list (an owner may offer millions).
constexpr std::size_t kMostTargets = 1024;
// A read saves at most this many bytes in all; a target that would go beyond is left out.
constexpr std::size_t kMostSavedBytes = std::size_t{256} << 20;
// Requests to other clients cycle through this many properties.
constexpr unsigned kRequestProperties = 8;

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

}  // namespace

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

}  // namespace axb::platform::x11
