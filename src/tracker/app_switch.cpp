// Following the frontmost application: recording it, telling the host, and attaching the
// observers that make its focus, window and selection notifications flow.
#include <optional>
#include <string>
#include <utility>

#include "ax/attributes.h"
#include "ax/observers.h"
#include "events/event_catalogue.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"
#include "platform/vocabulary.h"
#include "tracker/mac_accessibility.h"
#include "tracker/roles.h"

namespace axb::tracker {
namespace {

// The notifications registered on a followed application's element, in registration order.
struct AppNotification {
  const char* name;
  platform::ObserverCallback (*handler)();
  bool onlyWithFocusedElement;  // window geometry matters only where something has the focus
};

constexpr AppNotification kAppNotifications[] = {
    {platform::notifications::kFocusedUIElementChanged, &MacAccessibility::uiFocusedChange, false},
    {platform::notifications::kWindowMoved, &MacAccessibility::uiPositionChange, true},
    {platform::notifications::kWindowResized, &MacAccessibility::uiPositionChange, true},
    {platform::notifications::kSelectedTextChanged, &MacAccessibility::selectedTextChange, false},
};

EventDictionary textOrNull(const std::optional<std::string>& text) {
  return text ? EventDictionary(*text) : EventDictionary(nullptr);
}

}  // namespace

void MacAccessibility::appChangedEvent(const platform::WorkspaceEvent& event) {
  const std::optional<platform::RunningApplication>& app = event.application;
  if (!app) {
    platform::writeDiagnosticLine("returing");
    return;
  }
  const std::optional<std::string> name = app->localizedName();
  if (name && *name == kHostApplicationName) return;
  const ProcessId pid = app->processIdentifier();
  // Requests to one's own process can hang, and the host is never where the user writes.
  if (pid == platform::currentProcessId()) return;
  if (frontmostApp && frontmostApp->processIdentifier() == pid) {
    // Back in front: what it did not answer before may be registered now.
    retryUnansweredRegistrations();
    return;
  }
  if (!app->isFinishedLaunching()) return;
  // A launch in the background (a helper, an application the user left while it loaded) is not
  // where the user works: following it would paste into it.
  if (event.kind == platform::WorkspaceEventKind::ApplicationLaunched) {
    const platform::FocusedApplicationResult inFront = platform::focusedApplication();
    if (inFront.error != platform::axerr::kSuccess || inFront.pid != pid) return;
  }
  followApp(*app);
}

void MacAccessibility::followApp(const platform::RunningApplication& app) {
  // Only the followed application's notifications may reach the handlers.
  ax::withdrawRegistrationsOf(this);
  forgetUnansweredRegistrations();
  watchedFocusedElement_.reset();

  const ProcessId pid = app.processIdentifier();
  const std::optional<std::string> name = app.localizedName();
  frontmostApp = app;
  processID = pid;

  const Element appRef = ax::getAppRef(pid);
  const std::optional<Element> focused =
      ax::getAttributeValue<Element>(appRef, platform::attributes::kFocusedUIElement);
  ax::setAttributeValue(appRef, platform::attributes::kEnhancedUserInterface,
                        platform::Object::makeBoolean(true));

  const auto registerAppNotifications = [&](bool withFocusedElement) {
    for (const AppNotification& notification : kAppNotifications) {
      if (notification.onlyWithFocusedElement && !withFocusedElement) continue;
      registerNotification(appRef, pid, notification.name, notification.handler());
    }
  };

  if (focused) {
    const std::optional<std::string> role =
        ax::getAttributeValue<std::string>(appRef, platform::attributes::kRole);
    callback(events::kAppChanged,
             EventDictionary{{events::key::kRole, textOrNull(role)},
                             {events::key::kName, textOrNull(name)},
                             {events::key::kBundleId, textOrNull(app.bundleIdentifier())}});
    registerAppNotifications(true);
    return;
  }

  const std::optional<std::string> bundleId = app.bundleIdentifier();
  if (!bundleId) return;
  callback(events::kAppChanged, EventDictionary{{events::key::kRole, nullptr},
                                                {events::key::kName, textOrNull(name)},
                                                {events::key::kBundleId, *bundleId}});
  registerAppNotifications(false);
}

void MacAccessibility::appTerminated(const platform::WorkspaceEvent& event) {
  // An application that is gone can post nothing more; its observers would only accumulate.
  const std::optional<platform::RunningApplication>& app = event.application;
  if (!app) return;
  ax::withdrawRegistrations(app->processIdentifier());
  if (app->processIdentifier() == processID) {
    forgetUnansweredRegistrations();
    watchedFocusedElement_.reset();
  }
}

}  // namespace axb::tracker
