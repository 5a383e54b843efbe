// The on-screen rectangle of an element's text-marker selection.
#pragma once

#include <optional>

#include "platform/geometry.h"
#include "platform/object.h"

namespace axb::ax {

// Bounds of the selection rebuilt from its start marker to its end marker.
std::optional<Rect> getSelectedTextBoundingRectCorrect(const platform::Element& element);

// The same with the two markers swapped (end to start), which some applications answer better.
std::optional<Rect> getSelectedTextBoundingRect(const platform::Element& element);

}  // namespace axb::ax
