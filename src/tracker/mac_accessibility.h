// The tracker: the one object that carries the library's tracking state (the followed
// application, its process, the last focused element, the blocked field list) and the sink
// through which its events leave.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ax/observers.h"
#include "bridge/blocked_list_parser.h"
#include "bridge/event_dictionary.h"
#include "platform/geometry.h"
#include "platform/object.h"
#include "platform/observer.h"
#include "platform/workspace.h"

namespace axb::tracker {

using platform::Element;

class MacAccessibility : public std::enable_shared_from_this<MacAccessibility> {
 public:
  using EventSink = std::function<void(const std::string& name, EventDictionary payload)>;

  explicit MacAccessibility(EventSink callback);

  // ---- State
  EventSink callback;
  std::optional<platform::RunningApplication> frontmostApp;
  std::optional<ProcessId> processID;
  std::string selectedText;
  std::optional<Element> focusedElement;
  std::shared_ptr<platform::Observer> observer;  // unused: registrations own their observers
  BlockedFieldList blockedFiledsList;

  // The followed application's "bundle_id" and "name" (null when it lacks one); empty before
  // the first application switch.
  EventDictionary getBasicAppInfo() const;

  // A snapshot of the selection in focusedElement: the selection payload with the application
  // keys, or a dictionary with a "message" key.
  EventDictionary nativeTextFieldSelectedText();

  // Replaces the selection in the followed application by pasting the text.
  void setSelectedText(const std::string& text);

  // The notification handlers, as callbacks for observer registrations (refcon: the tracker).
  static platform::ObserverCallback uiFocusedChange();
  static platform::ObserverCallback uiPositionChange();
  static platform::ObserverCallback selectedTextChange();

  // Reaction to an application being activated or launched.
  void appChangedEvent(const platform::WorkspaceNotification& notification);

  // Everything in the element from its start up to the start of its selection.
  std::optional<std::string> getTextAboveInsertionPoint(const Element& focusedElement);

  // Answers the host's request for assistant context with an "alt_enter_pressed" event.
  void getDataForVeskAssist();

  // Starts following application switches.
  void start();

  // Brings the followed application back to the front.
  void acctivateTheForMost();

  void setBlockedFiledList(BlockedFieldList list);

  // The tracker behind a refcon, held strongly for the length of a handler; nothing for null.
  static std::shared_ptr<MacAccessibility> fromRefcon(void* refcon);

 private:
  void handleUiFocusedChange(const Element& element);
  void handleUiPositionChange(const Element& element);
  void handleSelectedTextChange(const Element& element);
  void appTerminated(const platform::WorkspaceNotification& notification);
  bool isBlockedField(const Element& element);
};

}  // namespace axb::tracker
