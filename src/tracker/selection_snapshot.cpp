// A snapshot of the selection in the focused text field: its text, whether it can take text, and
// where it lies on screen. It reads the element and changes nothing in it.
#include <cmath>
#include <optional>
#include <string>

#include "ax/attributes.h"
#include "ax/selection_bounds.h"
#include "platform/vocabulary.h"
#include "tracker/mac_accessibility.h"
#include "tracker/selection_payload.h"

namespace axb::tracker {
namespace {

constexpr char kNoGeometry[] = "something is wrong com";
constexpr char kNoFallbackGeometry[] = "something wrong rev";

}  // namespace

EventDictionary MacAccessibility::nativeTextFieldSelectedText() {
  const auto withAppInfo = [this](EventDictionary payload) {
    mergeKeepingExisting(payload, getBasicAppInfo());
    return payload;
  };
  if (!focusedElement) return withAppInfo(messagePayload(kNoGeometry));
  const Element element = *focusedElement;

  const Range range =
      ax::getAttributeValue<Range>(element, platform::attributes::kSelectedTextRange)
          .value_or(Range{});
  const std::string text =
      ax::getAttributeValue<std::string>(element, platform::attributes::kSelectedText).value_or("");
  const bool editable = ax::isAttributeSettable(element, platform::attributes::kValue);
  selectedText = text;

  // Character-range bounds, for fields that can take text.
  if (const platform::Object wrapped = platform::Object::makeRange(range); wrapped && editable) {
    const auto bounds = ax::getParameterizedAttributeValue<Rect>(
        element, platform::parameterized::kBoundsForRange, wrapped);
    if (bounds && rectHeight(*bounds) != 0) {
      return withAppInfo(selectionPayload(
          text, true,
          Rect{std::abs(bounds->x), bounds->y, rectWidth(*bounds), rectHeight(*bounds)}));
    }
  }

  // Text-marker bounds, in start-to-end order and, when that has no height, swapped.
  if (!ax::getAttributeValue<ax::TextMarkerRange>(element,
                                                  platform::attributes::kSelectedTextMarkerRange)) {
    return withAppInfo(messagePayload(kNoGeometry));
  }
  const std::optional<Rect> forward = ax::getSelectedTextBoundingRectCorrect(element);
  if (!forward) {
    // No rectangle at all: the application answers none, or the desktop does not say where its
    // window is. A host that looks for the text still gets it.
    EventDictionary payload = messagePayload(kNoGeometry);
    payload["selected_text"] = text;
    return withAppInfo(std::move(payload));
  }
  if (forward->height != 0) return withAppInfo(selectionPayload(text, editable, *forward));

  const std::optional<Rect> swapped = ax::getSelectedTextBoundingRect(element);
  if (!swapped) return messagePayload(kNoFallbackGeometry);
  const Rect geometry{swapped->x, swapped->y > 0 ? swapped->y : forward->y, rectWidth(*swapped),
                      rectHeight(*swapped)};
  return withAppInfo(selectionPayload(text, editable, geometry));
}

}  // namespace axb::tracker
