// The paste shortcut's key events are built and inspected, never posted: posting would type into
// whatever application is in front.
#include <ApplicationServices/ApplicationServices.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/mac/paste_chord.h"

namespace axb::platform::mac {
namespace {

CFRef<CGEventSourceRef> hidSystemSource() {
  return CFRef<CGEventSourceRef>::adopt(CGEventSourceCreate(kCGEventSourceStateHIDSystemState));
}

std::int64_t keyCodeOf(const CFRef<CGEventRef>& event) {
  return CGEventGetIntegerValueField(event.get(), kCGKeyboardEventKeycode);
}

// The modifier keys' flags, without the device-dependent and non-coalesced bits.
CGEventFlags modifiersOf(const CFRef<CGEventRef>& event) {
  constexpr CGEventFlags kModifiers = kCGEventFlagMaskAlphaShift | kCGEventFlagMaskShift |
                                      kCGEventFlagMaskControl | kCGEventFlagMaskAlternate |
                                      kCGEventFlagMaskCommand | kCGEventFlagMaskSecondaryFn |
                                      kCGEventFlagMaskNumericPad | kCGEventFlagMaskHelp;
  return CGEventGetFlags(event.get()) & kModifiers;
}

TEST(KeyboardTest, KeyDownsAreCommandThenVWithTheCommandFlagAlone) {
  const auto source = hidSystemSource();
  ASSERT_TRUE(source);
  const auto events = pasteChordEvents(source.get(), true);
  ASSERT_TRUE(events[0] && events[1]);
  EXPECT_EQ(keyCodeOf(events[0]), 55);
  EXPECT_EQ(keyCodeOf(events[1]), 9);
  for (const auto& event : events) {
    EXPECT_EQ(CGEventGetType(event.get()), kCGEventKeyDown);
    // Exactly Command: no other modifier the user happens to hold.
    EXPECT_EQ(modifiersOf(event), kCGEventFlagMaskCommand);
    EXPECT_EQ(CGEventGetIntegerValueField(event.get(), kCGEventSourceStateID),
              static_cast<std::int64_t>(kCGEventSourceStateHIDSystemState));
  }
}

TEST(KeyboardTest, KeyUpsAreVThenCommandWithTheCommandFlagAlone) {
  const auto source = hidSystemSource();
  ASSERT_TRUE(source);
  const auto events = pasteChordEvents(source.get(), false);
  ASSERT_TRUE(events[0] && events[1]);
  EXPECT_EQ(keyCodeOf(events[0]), 9);
  EXPECT_EQ(keyCodeOf(events[1]), 55);
  for (const auto& event : events) {
    EXPECT_EQ(CGEventGetType(event.get()), kCGEventKeyUp);
    EXPECT_EQ(modifiersOf(event), kCGEventFlagMaskCommand);
  }
}

}  // namespace
}  // namespace axb::platform::mac
