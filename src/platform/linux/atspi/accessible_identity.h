// Which accessibles are the same object: the library may hold several proxies for one.
#pragma once

#include <atspi/atspi.h>

#include <cstddef>

#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {

// Accessibles are the same object when they live in the same application (bus name) at the
// same path.
bool sameAccessible(AtspiAccessible* a, AtspiAccessible* b);
std::size_t hashAccessible(AtspiAccessible* accessible);

// Accessibles as keys of unordered containers.
struct SameAccessible {
  bool operator()(const GRef<AtspiAccessible>& a, const GRef<AtspiAccessible>& b) const {
    return sameAccessible(a.get(), b.get());
  }
};
struct AccessibleHash {
  std::size_t operator()(const GRef<AtspiAccessible>& accessible) const {
    return hashAccessible(accessible.get());
  }
};

}  // namespace axb::platform::atspi
