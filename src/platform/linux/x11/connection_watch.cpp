// One GLib descriptor source per X connection.
#include "platform/linux/x11/connection_watch.h"

#include <glib-unix.h>
#include <glib.h>

namespace axb::platform::x11 {
namespace {

struct Watch {
  xcb_connection_t* connection;
  void (*read)();
};

gboolean onReadable(gint, GIOCondition, gpointer data) {
  const auto* watch = static_cast<const Watch*>(data);
  watch->read();
  return xcb_connection_has_error(watch->connection) ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

}  // namespace

void watchConnection(xcb_connection_t* connection, void (*read)()) {
  g_unix_fd_add_full(G_PRIORITY_DEFAULT, xcb_get_file_descriptor(connection), G_IO_IN, onReadable,
                     new Watch{connection, read},
                     [](gpointer data) { delete static_cast<Watch*>(data); });
}

}  // namespace axb::platform::x11
