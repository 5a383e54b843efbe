#include "tracker/mac_accessibility.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "ax/callout.h"
#include "ax/request_run.h"
#include "events/event_catalogue.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"
#include "platform/run_loop.h"
#include "platform/workspace.h"
#include "tracker/roles.h"

namespace axb::tracker {

MacAccessibility::MacAccessibility(EventSink callback) : callback(std::move(callback)) {}

EventDictionary MacAccessibility::getBasicAppInfo() const {
  EventDictionary info = EventDictionary::object();
  if (!frontmostApp) return info;
  const auto orNull = [](const std::optional<std::string>& text) {
    return text ? EventDictionary(*text) : EventDictionary(nullptr);
  };
  info[events::key::kBundleId] = orNull(frontmostApp->bundleIdentifier());
  info[events::key::kName] = orNull(frontmostApp->localizedName());
  return info;
}

void MacAccessibility::start() {
  platform::writeDiagnosticLine("Accessibility is enabled");
  // The subscriptions hold the tracker strongly: a started tracker lives as long as they do.
  std::shared_ptr<MacAccessibility> self = shared_from_this();
  ax::setAppChangedNotification(
      [self](const platform::WorkspaceEvent& event) {
        ax::runCallout([&] {
          const ax::RequestRun run;
          self->appChangedEvent(event);
        });
      },
      this);
  ax::setAppTerminatedNotification(
      [self](const platform::WorkspaceEvent& event) {
        ax::runCallout([&] { self->appTerminated(event); });
      },
      this);
}

void MacAccessibility::stop() {
  forgetUnansweredRegistrations();
  watchedFocusedElement_.reset();
  ax::withdrawRegistrationsOf(this);
  ax::withdrawSubscriptionsOf(this);
}

void MacAccessibility::inheritFrom(const MacAccessibility& replaced) {
  if (replaced.inherited_) {
    inherited_ = replaced.inherited_;
  } else if (replaced.frontmostApp) {
    inherited_ =
        Followed{*replaced.frontmostApp, replaced.focusedElement, replaced.watchedFocusedElement_};
  }
}

void MacAccessibility::takeOverReplaced() {
  const std::optional<Followed> inherited = std::exchange(inherited_, std::nullopt);
  if (!inherited || frontmostApp) return;
  // One that quit meanwhile is not followed: nobody heard it terminate.
  const ProcessId pid = inherited->app.processIdentifier();
  if (!platform::runningApplicationWithProcessIdentifier(pid)) return;
  followApp(inherited->app);
  focusedElement = inherited->focusedElement;
  if (const auto& element = inherited->watchedFocusedElement) {
    watchFocusedElement(*element, platform::elementProcessId(*element).value_or(pid));
  }
}

bool MacAccessibility::concernsFollowedApp(const Element& element) const {
  if (!processID) return true;
  return platform::elementProcessId(element) == processID;
}

void MacAccessibility::registerNotification(const Element& element, ProcessId pid,
                                            std::string_view notification,
                                            platform::ObserverCallback handler) {
  if (ax::setNotification(element, pid, notification, handler, this) ==
      ax::RegistrationResult::Unanswered) {
    unansweredRegistrations_.push_back({element, std::string(notification), handler});
    updateRetryTimer();
  }
}

void MacAccessibility::retryUnansweredRegistrations() {
  if (!processID) return;
  std::vector<UnansweredRegistration> pending = std::move(unansweredRegistrations_);
  unansweredRegistrations_.clear();
  for (const UnansweredRegistration& registration : pending) {
    registerNotification(registration.element, *processID, registration.notification,
                         registration.handler);
  }
  updateRetryTimer();
}

void MacAccessibility::updateRetryTimer() {
  if (unansweredRegistrations_.empty()) {
    retryTimer_.reset();
    nextRetrySeconds_ = kFirstRetrySeconds;
    return;
  }
  if (retryTimer_.holdsTimer()) return;
  // Nothing else would ask the application again: with no registration in force, no handler run
  // starts while it stays silent.
  const double seconds = nextRetrySeconds_;
  nextRetrySeconds_ = std::min(nextRetrySeconds_ * 2, kLongestRetrySeconds);
  retryTimer_ = platform::scheduleCancellableTimer(seconds, [weak = weak_from_this()] {
    if (const std::shared_ptr<MacAccessibility> self = weak.lock()) {
      ax::runCallout([&] { self->retryFromTimer(); });
    }
  });
}

void MacAccessibility::retryFromTimer() {
  retryTimer_.reset();
  // While the host is in front nothing is asked; coming back to the application retries at once.
  if (hostIsInFront()) return;
  // One run, and one question first: a still busy application costs one timeout per retry,
  // whatever is unanswered, and prints nothing.
  const ax::RequestRun run;
  if (!processID || ax::askApplication(*processID) == platform::axerr::kCannotComplete) {
    updateRetryTimer();
    return;
  }
  retryUnansweredRegistrations();
}

void MacAccessibility::forgetUnansweredRegistrations() {
  unansweredRegistrations_.clear();
  updateRetryTimer();
}

bool MacAccessibility::hostIsInFront() const {
  const std::optional<platform::RunningApplication> front = platform::frontmostApplication();
  if (!front) return false;
  if (front->processIdentifier() == platform::currentProcessId()) return true;
  const std::optional<std::string> name = front->localizedName();
  return name && *name == kHostApplicationName;
}

void MacAccessibility::finishRun() {
  if (processID && !unansweredRegistrations_.empty() && ax::RequestRun::answered(*processID)) {
    retryUnansweredRegistrations();
  }
}

void MacAccessibility::acctivateTheForMost() {
  if (!frontmostApp) return;
  frontmostApp->activate();
}

void MacAccessibility::setBlockedFiledList(BlockedFieldList list) {
  blockedFiledsList = std::move(list);
}

std::shared_ptr<MacAccessibility> MacAccessibility::fromRefcon(void* refcon) {
  if (refcon == nullptr) return nullptr;
  return static_cast<MacAccessibility*>(refcon)->weak_from_this().lock();
}

}  // namespace axb::tracker
