// Focus moves and window moves or resizes in a followed application.
#include <optional>
#include <string>

#include "ax/attributes.h"
#include "ax/observers.h"
#include "events/event_catalogue.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"
#include "platform/vocabulary.h"
#include "tracker/mac_accessibility.h"
#include "tracker/roles.h"

namespace axb::tracker {

platform::ObserverCallback MacAccessibility::uiFocusedChange() {
  return trampoline<&MacAccessibility::handleUiFocusedChange>();
}

platform::ObserverCallback MacAccessibility::uiPositionChange() {
  return trampoline<&MacAccessibility::handleUiPositionChange>();
}

void MacAccessibility::handleUiFocusedChange(const Element& element) {
  if (!ax::getAttributeValue<std::string>(element, platform::attributes::kRole)) return;
  focusedElement = element;
  // The observer must belong to the element's own process (an observer serves only its own).
  const ProcessId pid = platform::elementProcessId(element).value_or(processID.value_or(0));
  watchFocusedElement(element, pid);
  callback(events::kFocusedChanged, getBasicAppInfo());
}

void MacAccessibility::watchFocusedElement(const Element& element, ProcessId pid) {
  // One focused element is watched at a time: the one focus left stops being watched, or
  // registrations would pile up over every field the user ever visited.
  if (watchedFocusedElement_ && !(*watchedFocusedElement_ == element)) {
    ax::withdrawRegistration(*watchedFocusedElement_, platform::notifications::kSelectedTextChanged,
                             selectedTextChange(), this);
    std::erase_if(unansweredRegistrations_, [&](const UnansweredRegistration& registration) {
      return registration.element == *watchedFocusedElement_;
    });
    updateRetryTimer();
  }
  // The application element's own registration belongs to the switch, not to the focus.
  const bool applicationElement = element == ax::getAppRef(pid);
  watchedFocusedElement_ = applicationElement ? std::nullopt : std::optional<Element>(element);
  registerNotification(element, pid, platform::notifications::kSelectedTextChanged,
                       selectedTextChange());
}

void MacAccessibility::handleUiPositionChange(const Element& element) {
  const std::optional<std::string> selected =
      ax::getAttributeValue<std::string>(element, platform::attributes::kSelectedText);
  const std::optional<std::string> role =
      ax::getAttributeValue<std::string>(element, platform::attributes::kRole);
  focusedElement = element;
  if (!selected || selected->empty()) return;
  if (!role || !isTextFieldRole(*role)) return;
  if (isBlockedField(element)) {
    platform::writeDiagnosticLine("blocked");
    return;
  }
  callback(events::kUiResized, nativeTextFieldSelectedText());
}

}  // namespace axb::tracker
