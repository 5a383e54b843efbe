// An accessible's identity: its application's bus name and its object path.
#include "platform/linux/atspi/accessible_identity.h"

#include <cstring>
#include <functional>
#include <string_view>

#include "platform/value_hash.h"

namespace axb::platform::atspi {
namespace {

const char* busNameOf(AtspiAccessible* accessible) {
  const AtspiObject& object = accessible->parent;
  return object.app && object.app->bus_name ? object.app->bus_name : "";
}

const char* pathOf(AtspiAccessible* accessible) {
  return accessible->parent.path ? accessible->parent.path : "";
}

}  // namespace

bool sameAccessible(AtspiAccessible* a, AtspiAccessible* b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return std::strcmp(busNameOf(a), busNameOf(b)) == 0 && std::strcmp(pathOf(a), pathOf(b)) == 0;
}

std::size_t hashAccessible(AtspiAccessible* accessible) {
  if (!accessible) return 0;
  return platform::hashCombine(std::hash<std::string_view>{}(busNameOf(accessible)),
                               std::hash<std::string_view>{}(pathOf(accessible)));
}

}  // namespace axb::platform::atspi
