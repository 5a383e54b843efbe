// Keyboard events are built and inspected, never posted: posting would type into whatever
// application is in front.
#include "platform/keyboard.h"

#include <ApplicationServices/ApplicationServices.h>
#include <gtest/gtest.h>

#include "platform/mac/keyboard_impl.h"

namespace axb::platform {
namespace {

static_assert(kCombinedSessionState == kCGEventSourceStateCombinedSessionState);
static_assert(kHIDSystemState == kCGEventSourceStateHIDSystemState);
static_assert(kHIDEventTap == kCGHIDEventTap);
static_assert(kEventFlagMaskCommand == kCGEventFlagMaskCommand);

TEST(KeyboardTest, SourcesHaveTheRequestedState) {
  for (const int state : {kHIDSystemState, kCombinedSessionState}) {
    const auto source = KeyEventSource::create(state);
    ASSERT_TRUE(source);
    EXPECT_EQ(CGEventSourceGetSourceStateID(source->impl().source.get()), state);
  }
}

TEST(KeyboardTest, EventsCarryTheirKeyTheirDirectionAndTheFlagsSetOnThem) {
  const auto source = KeyEventSource::create(kHIDSystemState);
  ASSERT_TRUE(source);
  for (const std::uint16_t key : {kKeyCodeCommand, kKeyCodeV}) {
    for (const bool down : {true, false}) {
      auto impl = KeyEvent::Impl::make(*source, key, down);
      ASSERT_TRUE(impl);
      // A second reference, to look at the event after the boundary has worked on it.
      const mac::CFRef<CGEventRef> event = impl->event;
      EXPECT_EQ(CGEventGetIntegerValueField(event.get(), kCGKeyboardEventKeycode), key);
      EXPECT_EQ(CGEventGetType(event.get()), down ? kCGEventKeyDown : kCGEventKeyUp);

      KeyEvent keyEvent(std::move(impl));
      keyEvent.setFlags(kEventFlagMaskCommand);
      EXPECT_EQ(CGEventGetFlags(event.get()) & kCGEventFlagMaskCommand, kCGEventFlagMaskCommand);
      keyEvent.setFlags(0);
      EXPECT_EQ(CGEventGetFlags(event.get()) & kCGEventFlagMaskCommand, 0u);
    }
  }
  EXPECT_TRUE(KeyEvent::create(*source, kKeyCodeV, true));
}

}  // namespace
}  // namespace axb::platform
