#include "tracker/mac_accessibility.h"

#include <utility>

#include "platform/diagnostics.h"

namespace axb::tracker {

MacAccessibility::MacAccessibility(EventSink callback) : callback(std::move(callback)) {}

EventDictionary MacAccessibility::getBasicAppInfo() const {
  EventDictionary info = EventDictionary::object();
  if (!frontmostApp) return info;
  const auto orNull = [](const std::optional<std::string>& text) {
    return text ? EventDictionary(*text) : EventDictionary(nullptr);
  };
  info["bundle_id"] = orNull(frontmostApp->bundleIdentifier());
  info["name"] = orNull(frontmostApp->localizedName());
  return info;
}

void MacAccessibility::start() {
  platform::writeDiagnosticLine("Accessibility is enabled");
  // The subscriptions hold the tracker strongly: a started tracker lives as long as they do.
  std::shared_ptr<MacAccessibility> self = shared_from_this();
  ax::setAppChangedNotification(
      [self](const platform::WorkspaceNotification& notification) {
        self->appChangedEvent(notification);
      },
      this);
  ax::setAppTerminatedNotification([self](const platform::WorkspaceNotification& notification) {
    self->appTerminated(notification);
  });
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
