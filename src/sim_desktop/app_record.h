// A simulated application process and the platform's running-application handle onto it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/workspace.h"
#include "sim_desktop/desktop.h"
#include "sim_desktop/element_node.h"

namespace axb::sim {

struct AppRecord {
  AppSpec spec;
  bool finishedLaunching = true;
  bool terminated = false;
  // A hang lasts until hangEnd, or until the application is made responsive again.
  bool hung = false;
  std::optional<double> hangEnd;
  std::vector<PostedKeyEvent> heldKeys;  // posted while it hung, handled once it answers
  bool enhancedUserInterface = false;
  std::shared_ptr<ElementNode> appNode;
  std::shared_ptr<ElementNode> focused;
  std::vector<std::shared_ptr<ElementNode>> elements;  // in the order they were added
};

}  // namespace axb::sim

namespace axb::platform {

// A running-application handle keeps its record alive, so it still answers after the
// application has quit (as the real one does).
struct RunningApplication::Impl {
  std::shared_ptr<sim::AppRecord> record;
};

}  // namespace axb::platform
