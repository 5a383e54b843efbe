// An observer may be destroyed from inside one of its own callbacks, as a tracker does when the
// application it follows goes away: nothing is delivered afterwards, not even what the platform
// had queued already, and the platform's objects are let go safely once the callback is over.
#include <gtest/gtest.h>

#include <memory>
#include <string_view>

#include "mac/editor.h"
#include "mac/run_loop_support.h"
#include "platform/observer.h"

namespace axb::platform {
namespace {

using testing::runLoopFor;
using testing::runLoopUntil;
using testing::EditorTest;

struct SelfWithdrawing {
  std::unique_ptr<Observer> observer;
  int deliveries = 0;
};

void withdrawOnDelivery(const Element&, std::string_view, void* refcon) {
  auto* state = static_cast<SelfWithdrawing*>(refcon);
  ++state->deliveries;
  state->observer.reset();  // inside the observer's own callback
}

TEST_F(EditorTest, AnObserverWithdrawnInsideItsOwnCallbackHearsNothingMore) {
  auto state = std::make_unique<SelfWithdrawing>();  // outlives the observer
  state->observer = Observer::create(pid_, &withdrawOnDelivery);
  ASSERT_TRUE(state->observer);
  // Two registrations, so that one change queues two deliveries.
  ASSERT_EQ(state->observer->addNotification(*area_, "AXSelectedTextChanged", state.get()),
            axerr::kSuccess);
  ASSERT_EQ(state->observer->addNotification(*application_, "AXSelectedTextChanged", state.get()),
            axerr::kSuccess);
  state->observer->addSourceToCurrentRunLoop();

  ASSERT_EQ(setAttributeValue(*area_, "AXSelectedTextRange", Object::makeRange({0, 3})),
            axerr::kSuccess);
  setAttributeValue(*area_, "AXSelectedTextRange", Object::makeRange({1, 2}));
  ASSERT_TRUE(runLoopUntil([&] { return state->deliveries > 0; }, 5)) << "no delivery at all";
  EXPECT_FALSE(state->observer);

  // Later changes reach nobody; the release deferred to the main queue runs meanwhile.
  setAttributeValue(*area_, "AXSelectedTextRange", Object::makeRange({2, 4}));
  runLoopFor(kCFRunLoopDefaultMode, 0.5);
  EXPECT_EQ(state->deliveries, 1);
}

}  // namespace
}  // namespace axb::platform
