#include "ax/selection_bounds.h"

#include "ax/attributes.h"
#include "platform/accessibility.h"
#include "platform/vocabulary.h"

namespace axb::ax {
namespace {

std::optional<Rect> boundsOfSelectionMarkers(const platform::Element& element, bool swapped) {
  const auto selection =
      getAttributeValue<TextMarkerRange>(element, platform::attributes::kSelectedTextMarkerRange);
  if (!selection) return std::nullopt;
  const platform::Object start = platform::textMarkerRangeStart(selection->object);
  const platform::Object end = platform::textMarkerRangeEnd(selection->object);
  const platform::Object range = swapped ? platform::makeTextMarkerRange(end, start)
                                         : platform::makeTextMarkerRange(start, end);
  if (!range) return std::nullopt;
  return getParameterizedAttributeValue<Rect>(
      element, platform::parameterized::kBoundsForTextMarkerRange, range);
}

}  // namespace

std::optional<Rect> getSelectedTextBoundingRectCorrect(const platform::Element& element) {
  return boundsOfSelectionMarkers(element, false);
}

std::optional<Rect> getSelectedTextBoundingRect(const platform::Element& element) {
  return boundsOfSelectionMarkers(element, true);
}

}  // namespace axb::ax
