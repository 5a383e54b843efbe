// Reading an X connection on the host's GLib main context.
#pragma once

#include <xcb/xcb.h>

namespace axb::platform::x11 {

// Has `read` called on the main context whenever the connection's socket turns readable, until
// the connection fails. The connection must outlive the watch (the library's stay open for the
// process's life); `read` finds what it serves by itself.
void watchConnection(xcb_connection_t* connection, void (*read)());

}  // namespace axb::platform::x11
