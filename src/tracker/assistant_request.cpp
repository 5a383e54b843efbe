// The host's request for assistant context: the selection, or the text above the caret with the
// rectangle of the character at the caret.
#include <cstdint>
#include <optional>
#include <string>

#include "ax/attributes.h"
#include "ax/observers.h"
#include "events/event_catalogue.h"
#include "platform/diagnostics.h"
#include "platform/vocabulary.h"
#include "tracker/mac_accessibility.h"
#include "tracker/roles.h"
#include "tracker/selection_payload.h"

namespace axb::tracker {
namespace {

std::optional<Rect> boundsOfCharacter(const Element& element, Range character) {
  const platform::Object wrapped = platform::Object::makeRange(character);
  if (!wrapped) return std::nullopt;
  return ax::getParameterizedAttributeValue<Rect>(element, platform::parameterized::kBoundsForRange,
                                                  wrapped);
}

// The caret's rectangle from the character bounds, or from the text-marker selection's bounds
// when those have no height.
std::optional<Rect> caretGeometry(const Element& element, const std::optional<Rect>& bounds) {
  if (!bounds) return std::nullopt;
  if (rectHeight(*bounds) != 0) {
    return Rect{bounds->x, bounds->y, rectWidth(*bounds), rectHeight(*bounds)};
  }
  const auto markers = ax::getAttributeValue<ax::TextMarkerRange>(
      element, platform::attributes::kSelectedTextMarkerRange);
  if (!markers) return std::nullopt;
  const auto markerBounds = ax::getParameterizedAttributeValue<Rect>(
      element, platform::parameterized::kBoundsForTextMarkerRange, markers->object);
  if (!markerBounds) return std::nullopt;
  return Rect{markerBounds->x, markerBounds->y, rectWidth(*markerBounds),
              rectHeight(*markerBounds)};
}

}  // namespace

std::optional<std::string> MacAccessibility::getTextAboveInsertionPoint(const Element& element) {
  const auto selection =
      ax::getAttributeValue<Range>(element, platform::attributes::kSelectedTextRange);
  const Range above{0, selection ? selection->location : 0};
  const platform::Object wrapped = platform::Object::makeRange(above);
  if (!wrapped) return std::nullopt;
  return ax::getParameterizedAttributeValue<std::string>(
      element, platform::parameterized::kStringForRange, wrapped);
}

void MacAccessibility::getDataForVeskAssist() {
  if (!frontmostApp) return;
  const ProcessId pid = processID.value_or(frontmostApp->processIdentifier());
  const auto focused =
      ax::getAttributeValue<Element>(ax::getAppRef(pid), platform::attributes::kFocusedUIElement);
  if (!focused) return;
  focusedElement = *focused;

  const auto role = ax::getAttributeValue<std::string>(*focused, platform::attributes::kRole);
  if (!role || *role != platform::roles::kTextArea) return;
  const auto characters =
      ax::getAttributeValue<std::int64_t>(*focused, platform::attributes::kNumberOfCharacters);
  // A negative count is another application's garbage: as good as none.
  if (!characters || *characters <= 0) return;

  // A blocked field's text never reaches the host, also when the host asks for it.
  if (isBlockedField(*focused)) {
    platform::writeDiagnosticLine("blocked");
    return;
  }

  auto selection = ax::getAttributeValue<Range>(*focused, platform::attributes::kSelectedTextRange);
  if (selection && selection->location > *characters) selection.reset();  // beyond the text
  if (!selection || selection->length != 0) {
    callback(events::kAltEnterPressed, nativeTextFieldSelectedText());
    return;
  }

  // The character after the caret, or the last one when the caret ends the text.
  const Range character{selection->location == *characters ? *characters - 1 : selection->location,
                        1};
  const std::optional<Rect> bounds = boundsOfCharacter(*focused, character);
  const std::optional<std::string> above = getTextAboveInsertionPoint(*focused);
  if (!above) {
    callback(events::kError, messagePayload("something is wrong"));
    callback(events::kAltEnterPressed, EventDictionary::object());
    return;
  }
  callback(events::kAltEnterPressed,
           selectionPayload(*above, true, caretGeometry(*focused, bounds)));
}

}  // namespace axb::tracker
