// Focus moves and window moves or resizes in a followed application.
#include <string>

#include "ax/attributes.h"
#include "ax/observers.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"
#include "tracker/mac_accessibility.h"
#include "tracker/roles.h"

namespace axb::tracker {

platform::ObserverCallback MacAccessibility::uiFocusedChange() {
  return [](const Element& element, std::string_view, void* refcon) {
    if (const auto tracker = fromRefcon(refcon)) tracker->handleUiFocusedChange(element);
  };
}

platform::ObserverCallback MacAccessibility::uiPositionChange() {
  return [](const Element& element, std::string_view, void* refcon) {
    if (const auto tracker = fromRefcon(refcon)) tracker->handleUiPositionChange(element);
  };
}

void MacAccessibility::handleUiFocusedChange(const Element& element) {
  if (!ax::getAttributeValue<std::string>(element, "AXRole")) return;
  focusedElement = element;
  // The observer must belong to the element's own process; registrations on an application
  // followed earlier stay in force and can report its focus changes.
  const ProcessId pid = platform::elementProcessId(element).value_or(processID.value_or(0));
  ax::setNotification(element, pid, "AXSelectedTextChanged", selectedTextChange(), this);
  callback("focused_changed", getBasicAppInfo());
}

void MacAccessibility::handleUiPositionChange(const Element& element) {
  const std::optional<std::string> selected =
      ax::getAttributeValue<std::string>(element, "AXSelectedText");
  const std::optional<std::string> role = ax::getAttributeValue<std::string>(element, "AXRole");
  focusedElement = element;
  if (!selected || selected->empty()) return;
  if (!role || !isTextFieldRole(*role)) return;
  if (isBlockedField(element)) {
    platform::writeDiagnosticLine("blocked");
    return;
  }
  callback("ui_reized", nativeTextFieldSelectedText());
}

}  // namespace axb::tracker
