#include "platform/linux/wayland/wl_client.h"

#include <glib-unix.h>
#include <glib.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "ext-data-control-v1-client.h"
#include "platform/linux/wayland/session.h"
#include "platform/run_loop.h"
#include "virtual-keyboard-unstable-v1-client.h"
#include "wlr-data-control-unstable-v1-client.h"

namespace axb::platform::wayland::client {
namespace {

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
  auto* found = static_cast<Globals*>(data);
  const auto bind = [&](const wl_interface* wanted, std::uint32_t highest) {
    return wl_registry_bind(registry, name, wanted, std::min(version, highest));
  };
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && !found->seat) {
    found->seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
    found->keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
        bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
  } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
    found->dataControl = static_cast<zwlr_data_control_manager_v1*>(
        bind(&zwlr_data_control_manager_v1_interface, 1));
  } else if (std::strcmp(interface, ext_data_control_manager_v1_interface.name) == 0) {
    found->standardDataControl =
        static_cast<ext_data_control_manager_v1*>(bind(&ext_data_control_manager_v1_interface, 1));
  }
}

void onGlobalRemoved(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemoved};

bool pollOn(Globals& open, double deadline, std::vector<pollfd>& others) {
  wl_display* display = open.display;
  if (wl_display_get_error(display) != 0) return false;
  while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
  // A compositor that takes nothing more leaves the rest queued for the next turn.
  wl_display_flush(display);
  std::vector<pollfd> entries;
  entries.push_back({wl_display_get_fd(display), POLLIN, 0});
  entries.insert(entries.end(), others.begin(), others.end());
  const double left = deadline - monotonicSeconds();
  const int timeout = left > 0 ? static_cast<int>(left * 1000) + 1 : 0;
  const int ready = ::poll(entries.data(), entries.size(), timeout);
  if (ready > 0 && (entries[0].revents & POLLIN)) {
    wl_display_read_events(display);
  } else {
    wl_display_cancel_read(display);
  }
  for (std::size_t i = 0; i < others.size(); ++i) others[i].revents = entries[i + 1].revents;
  wl_display_dispatch_pending(display);
  return wl_display_get_error(display) == 0;
}

bool roundTripOn(Globals& open, double deadline) {
  bool done = false;
  wl_callback* callback = wl_display_sync(open.display);
  static const wl_callback_listener kListener = {
      [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
  wl_callback_add_listener(callback, &kListener, &done);
  std::vector<pollfd> none;
  while (!done && monotonicSeconds() < deadline) {
    if (!pollOn(open, deadline, none)) break;
  }
  // Destroyed either way: a late answer then finds no listener.
  wl_callback_destroy(callback);
  return done;
}

// A compositor that does not answer the first round trip in this long is not used.
constexpr double kConnectWait = 2.0;

Globals* connect() {
  if (!waylandSession()) return nullptr;
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return nullptr;
  auto* found = new Globals();
  found->display = display;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, found);
  if (!roundTripOn(*found, monotonicSeconds() + kConnectWait)) {
    wl_display_disconnect(display);
    delete found;
    return nullptr;
  }
  // Between the library's calls the host's main context dispatches what the compositor sends.
  g_unix_fd_add(
      wl_display_get_fd(display), G_IO_IN,
      [](gint, GIOCondition, gpointer) -> gboolean {
        Globals* open = globals();
        if (!open) return G_SOURCE_REMOVE;
        std::vector<pollfd> none;
        return pollOnce(0, none) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
      },
      nullptr);
  return found;
}

Globals* opened() {
  static Globals* const instance = connect();
  return instance;
}

}  // namespace

Globals* globals() {
  Globals* open = opened();
  if (!open || wl_display_get_error(open->display) != 0) return nullptr;
  return open;
}

bool pollOnce(double deadline, std::vector<pollfd>& others) {
  Globals* open = opened();
  return open && pollOn(*open, deadline, others);
}

bool roundTrip(double deadline) {
  Globals* open = opened();
  return open && roundTripOn(*open, deadline);
}

}  // namespace axb::platform::wayland::client
