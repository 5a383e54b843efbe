#include "platform/linux/atspi/trust.h"

#include <gio/gio.h>

#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {
namespace {

constexpr char kBusName[] = "org.a11y.Bus";
constexpr char kBusPath[] = "/org/a11y/bus";
constexpr char kStatusInterface[] = "org.a11y.Status";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";

}  // namespace

bool accessibilityEnabled(bool switchOn) {
  GErrorSlot error;
  // The shared session connection; safe from any thread.
  const GRef<GDBusConnection> bus =
      GRef<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
  if (!bus) return false;
  const auto reply = GRef<GVariant>::adopt(g_dbus_connection_call_sync(
      bus.get(), kBusName, kBusPath, kProperties, "Get",
      g_variant_new("(ss)", kStatusInterface, "IsEnabled"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, kRequestTimeoutMilliseconds, nullptr, error.out()));
  bool enabled = false;
  if (reply) {
    GVariant* boxed = nullptr;
    g_variant_get(reply.get(), "(v)", &boxed);
    const auto value = GRef<GVariant>::adopt(boxed);
    if (value && g_variant_is_of_type(value.get(), G_VARIANT_TYPE_BOOLEAN)) {
      enabled = g_variant_get_boolean(value.get());
    }
  }
  if (switchOn && !enabled) {
    const auto set = GRef<GVariant>::adopt(g_dbus_connection_call_sync(
        bus.get(), kBusName, kBusPath, kProperties, "Set",
        g_variant_new("(ssv)", kStatusInterface, "IsEnabled", g_variant_new_boolean(TRUE)), nullptr,
        G_DBUS_CALL_FLAGS_NONE, kRequestTimeoutMilliseconds, nullptr, error.out()));
  }
  return enabled;
}

}  // namespace axb::platform::atspi
