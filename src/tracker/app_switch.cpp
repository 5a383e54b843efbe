// Following the frontmost application: recording it, telling the host, and attaching the
// observers that make its focus, window and selection notifications flow.
#include <string>
#include <utility>
#include <variant>

#include "ax/attributes.h"
#include "ax/observers.h"
#include "platform/diagnostics.h"
#include "tracker/mac_accessibility.h"
#include "tracker/roles.h"

namespace axb::tracker {
namespace {

std::optional<platform::RunningApplication> applicationOf(
    const platform::WorkspaceNotification& notification) {
  if (!notification.userInfo) return std::nullopt;
  const auto entry = notification.userInfo->find(platform::kApplicationKey);
  if (entry == notification.userInfo->end()) return std::nullopt;
  if (const auto* app = std::get_if<platform::RunningApplication>(&entry->second)) return *app;
  return std::nullopt;
}

EventDictionary textOrNull(const std::optional<std::string>& text) {
  return text ? EventDictionary(*text) : EventDictionary(nullptr);
}

}  // namespace

void MacAccessibility::appChangedEvent(const platform::WorkspaceNotification& notification) {
  const std::optional<platform::RunningApplication> app = applicationOf(notification);
  if (!app) {
    platform::writeDiagnosticLine("returing");
    return;
  }
  const std::optional<std::string> name = app->localizedName();
  if (name && *name == kHostApplicationName) return;
  const ProcessId pid = app->processIdentifier();
  // Requests to one's own process can hang, and the host is never where the user writes.
  if (pid == platform::currentProcessId()) return;
  if (frontmostApp && frontmostApp->processIdentifier() == pid) return;
  if (!app->isFinishedLaunching()) return;

  frontmostApp = *app;
  processID = pid;

  const Element appRef = ax::getAppRef(pid);
  const std::optional<Element> focused =
      ax::getAttributeValue<Element>(appRef, "AXFocusedUIElement");
  ax::setAttributeValue(appRef, "AXEnhancedUserInterface", platform::Object::makeBoolean(true));

  const auto registerOn = [&](const char* notificationName, platform::ObserverCallback handler) {
    ax::setNotification(appRef, pid, notificationName, handler, this);
  };

  if (focused) {
    const std::optional<std::string> role = ax::getAttributeValue<std::string>(appRef, "AXRole");
    callback("app_changed", EventDictionary{{"role", textOrNull(role)},
                                            {"name", textOrNull(name)},
                                            {"bundle_id", textOrNull(app->bundleIdentifier())}});
    registerOn("AXFocusedUIElementChanged", uiFocusedChange());
    registerOn("AXWindowMoved", uiPositionChange());
    registerOn("AXWindowResized", uiPositionChange());
    registerOn("AXSelectedTextChanged", selectedTextChange());
    return;
  }

  const std::optional<std::string> bundleId = app->bundleIdentifier();
  if (!bundleId) return;
  callback(
      "app_changed",
      EventDictionary{{"role", nullptr}, {"name", textOrNull(name)}, {"bundle_id", *bundleId}});
  registerOn("AXFocusedUIElementChanged", uiFocusedChange());
  registerOn("AXSelectedTextChanged", selectedTextChange());
}

void MacAccessibility::appTerminated(const platform::WorkspaceNotification& notification) {
  // An application that is gone can post nothing more; its observers would only accumulate.
  if (const auto app = applicationOf(notification)) {
    ax::withdrawRegistrations(app->processIdentifier());
  }
}

}  // namespace axb::tracker
