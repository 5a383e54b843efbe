// One accessibility element of a simulated application. Handles to it (platform objects of kind
// Element) share the node, so an element stays comparable after it is destroyed; requests about
// a destroyed node fail as they would for a vanished element.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/object.h"
#include "sim_desktop/desktop.h"

namespace axb::sim {

// A fixed answer for one attribute, set by a test or scenario.
struct AttributeOverride {
  std::optional<platform::Object> value;
  std::optional<platform::AXErrorCode> error;
  std::optional<bool> settable;
};

// A fixed answer for one parameterised attribute, whatever the parameter.
struct ParameterizedOverride {
  platform::Object value;
  platform::AXErrorCode error = platform::axerr::kSuccess;
};

class ElementNode {
 public:
  ElementNode(ProcessId ownerPid, ElementSpec elementSpec, bool isApplication)
      : pid(ownerPid), spec(std::move(elementSpec)), application(isApplication) {}

  ProcessId pid;
  ElementSpec spec;  // text and selection are kept normalised (valid UTF-8, inside the text)
  bool application;  // the application element of its process
  bool destroyed = false;
  double messagingTimeout = kDefaultMessagingTimeout;
  std::map<std::string, AttributeOverride, std::less<>> overrides;
  std::map<std::string, ParameterizedOverride, std::less<>> parameterizedOverrides;
  std::map<std::string, platform::AXErrorCode, std::less<>> notificationErrors;
};

}  // namespace axb::sim
