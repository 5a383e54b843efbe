// What a simulated element answers about its attributes once a request has passed the desktop's
// checks: fixed answers first, then the values the element derives from its state.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/accessibility.h"
#include "sim_desktop/desktop_state.h"

namespace axb::sim {

platform::CopyResult readAttribute(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                                   std::string_view name);
platform::CopyResult readParameterizedAttribute(Desktop& desktop,
                                                const std::shared_ptr<ElementNode>& node,
                                                std::string_view name,
                                                const platform::Object& parameter);
std::vector<std::string> attributeNames(Desktop& desktop, const std::shared_ptr<ElementNode>& node);
platform::SettableResult attributeSettable(Desktop& desktop,
                                           const std::shared_ptr<ElementNode>& node,
                                           std::string_view name);
platform::AXErrorCode writeAttribute(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                                     std::string_view name, const platform::Object& value);

}  // namespace axb::sim
