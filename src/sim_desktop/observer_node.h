// The simulated side of an accessibility observer. The platform Observer owns the node; the
// desktop and queued deliveries only hold weak references, so destroying the Observer is enough
// to stop every delivery to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/observer.h"
#include "sim_desktop/element_node.h"

namespace axb::sim {

class ObserverNode {
 public:
  struct Registration {
    std::uint64_t id = 0;
    std::shared_ptr<ElementNode> element;
    std::string notification;
    void* refcon = nullptr;
  };

  ObserverNode(ProcessId ownerPid, platform::ObserverCallback observerCallback)
      : pid(ownerPid), callback(observerCallback) {}

  const Registration* findRegistration(std::uint64_t registrationId) const {
    for (const auto& registration : registrations) {
      if (registration.id == registrationId) return &registration;
    }
    return nullptr;
  }

  ProcessId pid;
  platform::ObserverCallback callback;
  bool sourceAdded = false;
  bool alive = true;
  std::vector<Registration> registrations;
  std::uint64_t nextRegistrationId = 1;
};

}  // namespace axb::sim
