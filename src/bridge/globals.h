// The state the C entry points share. It exists once per process and is only touched on the
// main thread, so it takes no lock.
#pragma once

#include <memory>
#include <optional>

#include "axbridge/axbridge.h"
#include "bridge/event_channel.h"

namespace axb::tracker {
class MacAccessibility;
}

namespace axb::bridge {

struct Globals {
  std::shared_ptr<tracker::MacAccessibility> macAccessibility;
  axbridge_event_callback observer_callback = nullptr;
  std::optional<EventParams> eventParams;  // the pending event slot
  bool isInWindow = false;
};

// Created on first use and never destroyed, so nothing runs during static destruction.
Globals& globals();

}  // namespace axb::bridge
