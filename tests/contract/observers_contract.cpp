// Observers: a notification reaches the registrations that exist when it is delivered through an
// observer whose run-loop source was added, each with its own refcon, for its own element or, on
// the application element, for all of the process's elements, and never another process's.
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "contract/contract_desktop.h"
#include "platform/observer.h"

namespace axb::contract {
namespace {

using platform::Observer;
namespace axerr = platform::axerr;
namespace notifications = platform::notifications;

struct Recorder {
  std::vector<Element> heard;
  std::vector<std::string> names;
};

void record(const Element& element, std::string_view notification, void* refcon) {
  static_cast<Recorder*>(refcon)->heard.push_back(element);
  static_cast<Recorder*>(refcon)->names.emplace_back(notification);
}

std::unique_ptr<Observer> observe(ProcessId pid, const Element& element, const char* notification,
                                  Recorder& recorder) {
  auto observer = Observer::create(pid, record);
  EXPECT_EQ(observer->addNotification(element, notification, &recorder), axerr::kSuccess);
  observer->addSourceToCurrentRunLoop();
  return observer;
}

// Of this very process: no application needed.
TEST_F(BindingContract, AnObserverNeedsACallbackAndTearsDownCleanly) {
  EXPECT_EQ(Observer::create(getpid(), nullptr), nullptr);
  auto observer = Observer::create(getpid(), record);
  ASSERT_TRUE(observer);
  observer->addSourceToCurrentRunLoop();
  observer->addSourceToCurrentRunLoop();
  observer.reset();
  desktop().runUntil([] { return false; }, 0.05);  // a release left to the main queue completes
}

TEST_F(ApplicationContract, ANotificationReachesItsRegistrationsWithTheirRefcons) {
  const ProcessId pid = desktop().startEditor();
  const auto field = focusedField(pid, 0);
  ASSERT_TRUE(field);
  const auto application = platform::createApplicationElement(pid);
  Recorder selections, focus, withdrawn, released, sourceless;
  auto observer = Observer::create(pid, record);
  ASSERT_EQ(observer->addNotification(*field, notifications::kSelectedTextChanged, &selections),
            axerr::kSuccess);
  EXPECT_EQ(observer->addNotification(*field, notifications::kSelectedTextChanged, &selections),
            axerr::kNotificationAlreadyRegistered);
  ASSERT_EQ(observer->addNotification(application, notifications::kFocusedUIElementChanged, &focus),
            axerr::kSuccess);
  observer->addSourceToCurrentRunLoop();
  auto withdrawing = observe(pid, *field, notifications::kSelectedTextChanged, withdrawn);
  auto releasing = observe(pid, *field, notifications::kSelectedTextChanged, released);
  EXPECT_EQ(withdrawing->removeNotification(*field, notifications::kSelectedTextChanged),
            axerr::kSuccess);
  EXPECT_EQ(withdrawing->removeNotification(*field, notifications::kSelectedTextChanged),
            axerr::kNotificationNotRegistered);
  releasing.reset();
  // Without its run-loop source an observer delivers nothing.
  auto unattached = Observer::create(pid, record);
  unattached->addNotification(*field, notifications::kSelectedTextChanged, &sourceless);

  desktop().selectInFocusedField(pid, 1, 3);
  ASSERT_TRUE(desktop().runUntil([&] { return !selections.heard.empty(); }, 10.0));
  EXPECT_EQ(selections.heard[0], *field);
  EXPECT_EQ(selections.names[0], notifications::kSelectedTextChanged);
  EXPECT_TRUE(withdrawn.heard.empty());
  EXPECT_TRUE(released.heard.empty());
  EXPECT_TRUE(sourceless.heard.empty());

  // Registered on the application element, it hears the other field gain the focus.
  const auto other = focusedField(pid, 1);
  ASSERT_TRUE(other);
  ASSERT_TRUE(desktop().runUntil([&] { return !focus.heard.empty(); }, 10.0));
  EXPECT_EQ(focus.heard.back(), *other);
  for (const auto& element : selections.heard) EXPECT_EQ(element, *field);
}

TEST_F(ApplicationContract, AnObserverServesItsOwnProcessOnly) {
  const ProcessId first = desktop().startEditor();
  const ProcessId second = desktop().startEditor();
  const auto field = focusedField(second, 0);
  ASSERT_TRUE(field);
  Recorder firstHeard, secondHeard;
  auto stranger = Observer::create(first, record);
  EXPECT_EQ(stranger->addNotification(*field, notifications::kSelectedTextChanged, &firstHeard),
            axerr::kIllegalArgument);
  auto firstObserver = observe(first, platform::createApplicationElement(first),
                               notifications::kFocusedUIElementChanged, firstHeard);
  auto secondObserver = observe(second, platform::createApplicationElement(second),
                                notifications::kFocusedUIElementChanged, secondHeard);
  ASSERT_TRUE(focusedField(second, 1));
  ASSERT_TRUE(desktop().runUntil([&] { return !secondHeard.heard.empty(); }, 10.0));
  EXPECT_TRUE(firstHeard.heard.empty());
}

}  // namespace
}  // namespace axb::contract
