// Selection and caret changes, and the blocked fields that must stay silent.
#include <optional>
#include <string>
#include <utility>

#include "ax/attributes.h"
#include "ax/selection_bounds.h"
#include "events/event_catalogue.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"
#include "platform/vocabulary.h"
#include "tracker/canonical_equivalence.h"
#include "tracker/mac_accessibility.h"
#include "tracker/roles.h"
#include "tracker/selection_payload.h"

namespace axb::tracker {

platform::ObserverCallback MacAccessibility::selectedTextChange() {
  return trampoline<&MacAccessibility::handleSelectedTextChange>();
}

bool MacAccessibility::isBlockedField(const Element& element) {
  if (!frontmostApp || blockedFiledsList.empty()) return false;
  const std::optional<std::string> bundleId = frontmostApp->bundleIdentifier();
  if (!bundleId) return false;
  const auto entry = blockedFiledsList.find(*bundleId);
  if (entry == blockedFiledsList.end()) return false;

  const auto name = entry->second.find("name");
  if (name == entry->second.end() || !name->second.is_string()) return false;
  const std::optional<std::string> actual =
      ax::getAttributeValue<std::string>(element, name->second.get<std::string>());
  const auto value = entry->second.find("value");
  const std::optional<std::string> blocked =
      value != entry->second.end() && value->second.is_string()
          ? std::optional<std::string>(value->second.get<std::string>())
          : std::nullopt;
  if (!actual || !blocked) return !actual && !blocked;
  return canonicallyEquivalent(*actual, *blocked);
}

void MacAccessibility::handleSelectedTextChange(const Element& element) {
  const std::optional<std::string> selected =
      ax::getAttributeValue<std::string>(element, platform::attributes::kSelectedText);
  const std::optional<std::string> role =
      ax::getAttributeValue<std::string>(element, platform::attributes::kRole);
  focusedElement = element;

  if (isBlockedField(element)) {
    platform::writeDiagnosticLine("blocked");
    return;
  }

  if (selected) {
    if (selected->empty()) {
      callback(events::kCaret, EventDictionary::object());
    } else if (role && isTextFieldRole(*role)) {
      callback(events::kTextSelect, nativeTextFieldSelectedText());
    }
  }

  if (!role || *role != platform::roles::kStaticText) return;
  const auto markers = ax::getAttributeValue<ax::TextMarkerRange>(
      element, platform::attributes::kSelectedTextMarkerRange);
  if (!markers) return;
  const std::optional<Rect> bounds = ax::getSelectedTextBoundingRectCorrect(element);
  const std::optional<std::string> text = ax::getParameterizedAttributeValue<std::string>(
      element, platform::parameterized::kStringForTextMarkerRange, markers->object);
  if (!bounds) return;
  EventDictionary payload = selectionPayload(text.value_or(""), true, bounds);
  mergeKeepingExisting(payload, getBasicAppInfo());
  callback(events::kTextSelect, std::move(payload));
}

}  // namespace axb::tracker
