// Owning handles for what xcb hands out: replies, events, errors and keycode lists, which the
// caller frees with free(), key symbol tables, and connections to the display.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

namespace axb::platform::x11 {

template <typename T>
struct FreeDeleter {
  void operator()(T* pointer) const { std::free(pointer); }
};
template <typename T>
using Freed = std::unique_ptr<T, FreeDeleter<T>>;
template <typename T>
using Reply = Freed<T>;
using Event = Freed<xcb_generic_event_t>;
using Error = Freed<xcb_generic_error_t>;

struct KeySymbolsFreer {
  void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsFreer>;

struct ConnectionCloser {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

// A connection of its own to the display DISPLAY names, and the root window of its default
// screen.
struct DisplayConnection {
  Connection connection;
  xcb_window_t root = XCB_WINDOW_NONE;
};

// Nothing when there is no display to connect to.
inline std::optional<DisplayConnection> connectToDisplay() {
  int screenNumber = 0;
  Connection connection(xcb_connect(nullptr, &screenNumber));
  if (!connection || xcb_connection_has_error(connection.get())) return std::nullopt;
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
  for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
  if (!screens.rem) return std::nullopt;
  const xcb_window_t root = screens.data->root;
  return DisplayConnection{std::move(connection), root};
}

}  // namespace axb::platform::x11
