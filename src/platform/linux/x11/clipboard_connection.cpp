// The X11 clipboard's connection: opened once, with its window and XFixes' notice of every
// change of owner; atoms asked once each.
#include "platform/linux/x11/clipboard_connection.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/linux/x11/connection_watch.h"
#include "platform/linux/x11/xcb_handles.h"

namespace axb::platform::x11 {

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

xcb_window_t ownerOf(Clipboard& cb, xcb_atom_t selection) {
  xcb_connection_t* c = cb.c();
  const Reply<xcb_get_selection_owner_reply_t> reply(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
  return reply ? reply->owner : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

namespace {

bool opened = false;

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
  watchConnection(raw, readClipboardEvents);
  return cb.release();
}

}  // namespace

// Opened on first use and kept: what the library owns is served for the process's life.
Clipboard* clipboard() {
  static Clipboard* const instance = [] {
    opened = true;
    return open();
  }();
  if (!instance || xcb_connection_has_error(instance->c())) return nullptr;
  return instance;
}

bool clipboardOpened() {
  return opened;
}

}  // namespace axb::platform::x11
