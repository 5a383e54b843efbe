#include "bridge/globals.h"

#include "tracker/mac_accessibility.h"

namespace axb::bridge {

Globals& globals() {
  static Globals* const instance = new Globals();
  return *instance;
}

}  // namespace axb::bridge
