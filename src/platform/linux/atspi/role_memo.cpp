#include "platform/linux/atspi/role_memo.h"

#include <unordered_map>

#include "platform/linux/atspi/accessible_identity.h"
#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {
namespace {

constexpr std::size_t kRemembered = 4096;

using Roles = std::unordered_map<GRef<AtspiAccessible>, AtspiRole, AccessibleHash, SameAccessible>;

Roles& roles() {
  static Roles* const remembered = new Roles();
  return *remembered;
}

}  // namespace

Answer<AtspiRole> roleOf(AtspiAccessible* accessible) {
  GRef<AtspiAccessible> key = GRef<AtspiAccessible>::retain(accessible);
  const auto found = roles().find(key);
  if (found != roles().end()) return {axerr::kSuccess, found->second};
  GErrorSlot error;
  const AtspiRole role = atspi_accessible_get_role(accessible, error.out());
  if (error) return {errorCodeOf(error.get()), ATSPI_ROLE_INVALID};
  // Accessibles come and go: the memo starts afresh rather than grow without end.
  if (roles().size() >= kRemembered) roles().clear();
  roles().emplace(std::move(key), role);
  return {axerr::kSuccess, role};
}

}  // namespace axb::platform::atspi
