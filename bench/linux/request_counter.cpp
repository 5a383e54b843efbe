// The counting hook: this program defines libdbus's three sending functions, so that libatspi's
// calls reach these first (the program exports them: ENABLE_EXPORTS), counts what they send,
// and hands each message to libdbus's own function.
#include "request_counter.h"

#include <dbus/dbus.h>
#include <dlfcn.h>

#include <atomic>
#include <mutex>

namespace axb::measure {
namespace {

std::atomic<std::uint64_t> sent{0};
// libdbus may send through its own exported functions (the blocking call through the one with a
// reply): a message is counted where it enters, not again inside.
thread_local int depth = 0;

struct Entered {
  Entered() { ++depth; }
  ~Entered() { --depth; }
  Entered(const Entered&) = delete;
  Entered& operator=(const Entered&) = delete;
};
std::mutex membersLock;
std::map<std::string, std::uint64_t>& members() {
  static auto* const counts = new std::map<std::string, std::uint64_t>();
  return *counts;
}

void count(DBusMessage* message) {
  if (depth > 1 || message == nullptr ||
      dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL) {
    return;
  }
  ++sent;
  const char* interface = dbus_message_get_interface(message);
  const char* member = dbus_message_get_member(message);
  const std::lock_guard<std::mutex> lock(membersLock);
  ++members()[std::string(interface ? interface : "?") + "." + (member ? member : "?")];
}

template <typename Function>
Function real(const char* name) {
  // libdbus's symbols carry this version; RTLD_NEXT skips this program's own definitions.
  void* found = dlvsym(RTLD_NEXT, name, "LIBDBUS_1_3");
  if (found == nullptr) found = dlsym(RTLD_NEXT, name);
  return reinterpret_cast<Function>(found);
}

}  // namespace

std::uint64_t requestsSent() {
  return sent.load();
}

std::map<std::string, std::uint64_t> requestsByMember() {
  const std::lock_guard<std::mutex> lock(membersLock);
  return members();
}

}  // namespace axb::measure

extern "C" {

dbus_bool_t dbus_connection_send(DBusConnection* connection, DBusMessage* message,
                                 dbus_uint32_t* serial) {
  using Send = dbus_bool_t (*)(DBusConnection*, DBusMessage*, dbus_uint32_t*);
  static const auto send = axb::measure::real<Send>("dbus_connection_send");
  const axb::measure::Entered entered;
  axb::measure::count(message);
  return send(connection, message, serial);
}

dbus_bool_t dbus_connection_send_with_reply(DBusConnection* connection, DBusMessage* message,
                                            DBusPendingCall** pending, int timeout) {
  using Send = dbus_bool_t (*)(DBusConnection*, DBusMessage*, DBusPendingCall**, int);
  static const auto send = axb::measure::real<Send>("dbus_connection_send_with_reply");
  const axb::measure::Entered entered;
  axb::measure::count(message);
  return send(connection, message, pending, timeout);
}

DBusMessage* dbus_connection_send_with_reply_and_block(DBusConnection* connection,
                                                       DBusMessage* message, int timeout,
                                                       DBusError* error) {
  using Send = DBusMessage* (*)(DBusConnection*, DBusMessage*, int, DBusError*);
  static const auto send = axb::measure::real<Send>("dbus_connection_send_with_reply_and_block");
  const axb::measure::Entered entered;
  axb::measure::count(message);
  return send(connection, message, timeout, error);
}

}  // extern "C"
