// The tracker: the one object that carries the library's tracking state (the followed
// application, its process, the last focused element, the blocked field list) and the sink
// through which its events leave.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ax/callout.h"
#include "ax/observers.h"
#include "ax/request_run.h"
#include "events/event_dictionary.h"
#include "events/event_sink.h"
#include "platform/geometry.h"
#include "platform/object.h"
#include "platform/observer.h"
#include "platform/run_loop.h"
#include "platform/workspace.h"
#include "tracker/blocked_field_list.h"

namespace axb::tracker {

using platform::Element;

class MacAccessibility : public std::enable_shared_from_this<MacAccessibility> {
 public:
  using EventSink = axb::EventSink;

  explicit MacAccessibility(EventSink callback);

  // ---- State
  EventSink callback;
  std::optional<platform::RunningApplication> frontmostApp;
  std::optional<ProcessId> processID;
  std::string selectedText;  // the latest snapshot's text; the library never reads it
  std::optional<Element> focusedElement;
  // An observer slot nothing sets or reads: each registration owns its own observer.
  std::shared_ptr<platform::Observer> observer;
  BlockedFieldList blockedFiledsList;

  // The followed application's "bundle_id" and "name" (null when it lacks one); empty before
  // the first application switch.
  EventDictionary getBasicAppInfo() const;

  // A snapshot of the selection in focusedElement: the selection payload with the application
  // keys, or a dictionary with a "message" key.
  EventDictionary nativeTextFieldSelectedText();

  // Replaces the selection in the followed application by pasting the text (taken over: a large
  // text is not copied again).
  void setSelectedText(std::string text);

  // The notification handlers, as callbacks for observer registrations (refcon: the tracker).
  static platform::ObserverCallback uiFocusedChange();
  static platform::ObserverCallback uiPositionChange();
  static platform::ObserverCallback selectedTextChange();

  // Reaction to an application being activated or launched.
  void appChangedEvent(const platform::WorkspaceEvent& event);

  // Everything in the element from its start up to the start of its selection.
  std::optional<std::string> getTextAboveInsertionPoint(const Element& focusedElement);

  // Answers the host's request for assistant context with an "alt_enter_pressed" event.
  void getDataForVeskAssist();

  // Starts following application switches.
  void start();

  // Stops following: withdraws every workspace subscription and accessibility registration this
  // tracker made. Used when another tracker replaces it.
  void stop();

  // Keeps what the tracker this one replaces follows (or was itself handed and had not taken
  // over yet), for takeOverReplaced.
  void inheritFrom(const MacAccessibility& replaced);

  // Follows, once, what the replaced tracker followed: its application, focused element, and
  // registrations (made again, so an application that does not answer is retried as before).
  // Called by start once its blocked list is in force: until then nothing is followed.
  void takeOverReplaced();

  // Ends a handler run or entry-point call: registrations the followed application did not answer
  // earlier are made again once it has answered in this run.
  void finishRun();

  // Brings the followed application back to the front.
  void acctivateTheForMost();

  void setBlockedFiledList(BlockedFieldList list);

  // The tracker behind a refcon, held strongly for the length of a handler; nothing for null.
  static std::shared_ptr<MacAccessibility> fromRefcon(void* refcon);

 private:
  // What a tracker follows, for the one that replaces it.
  struct Followed {
    platform::RunningApplication app;
    std::optional<Element> focusedElement;
    std::optional<Element> watchedFocusedElement;
  };

  // A registration the followed application did not answer, to be made once it does.
  struct UnansweredRegistration {
    Element element;
    std::string notification;
    platform::ObserverCallback handler;
  };

  // The notification callback that runs the handler on the tracker behind the refcon.
  template <void (MacAccessibility::*handler)(const Element&)>
  static platform::ObserverCallback trampoline();

  void handleUiFocusedChange(const Element& element);
  void handleUiPositionChange(const Element& element);
  void handleSelectedTextChange(const Element& element);
  void appTerminated(const platform::WorkspaceEvent& event);
  bool isBlockedField(const Element& element);

  // Whether a notification about the element concerns the followed application; with none
  // followed, every element does.
  bool concernsFollowedApp(const Element& element) const;
  void followApp(const platform::RunningApplication& app);
  void registerNotification(const Element& element, ProcessId pid, std::string_view notification,
                            platform::ObserverCallback handler);
  void retryUnansweredRegistrations();
  // Keeps the retry timer running exactly while registrations are unanswered.
  void updateRetryTimer();
  void retryFromTimer();
  void forgetUnansweredRegistrations();
  bool hostIsInFront() const;
  // Moves the focused element's selection registration to the element.
  void watchFocusedElement(const Element& element, ProcessId pid);

  std::vector<UnansweredRegistration> unansweredRegistrations_;
  // An application that stays busy is asked again after 0.5 s, 1 s, 2 s, ... up to every 8 s.
  static constexpr double kFirstRetrySeconds = 0.5;
  static constexpr double kLongestRetrySeconds = 8.0;
  platform::TimerHandle retryTimer_;
  double nextRetrySeconds_ = kFirstRetrySeconds;
  std::optional<Element> watchedFocusedElement_;
  std::optional<Followed> inherited_;
};

template <void (MacAccessibility::*handler)(const Element&)>
platform::ObserverCallback MacAccessibility::trampoline() {
  return [](const Element& element, std::string_view, void* refcon) {
    ax::runCallout([&] {
      const std::shared_ptr<MacAccessibility> tracker = fromRefcon(refcon);
      if (!tracker) return;
      const ax::RequestRun run;
      // Registrations on an application followed earlier may still deliver what was queued.
      if (tracker->concernsFollowedApp(element)) ((*tracker).*handler)(element);
      tracker->finishRun();
    });
  };
}

}  // namespace axb::tracker
