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

// A modifier key's press may be made a flags-changed event rather than a key-down; either
// reaches the receiver as Command pressed.
bool isPressOfCommand(const CFRef<CGEventRef>& event) {
  const CGEventType type = CGEventGetType(event.get());
  return type == kCGEventKeyDown || type == kCGEventFlagsChanged;
}

TEST(KeyboardTest, CommandThenVDownThenVThenCommandUpWithTheCommandFlagAlone) {
  const auto source = hidSystemSource();
  ASSERT_TRUE(source);
  const auto events = pasteChordEvents(source.get(), true, 47);
  ASSERT_TRUE(events[0] && events[1]);
  EXPECT_EQ(keyCodeOf(events[0]), 55);
  EXPECT_EQ(keyCodeOf(events[1]), 47);  // the key given, such as Dvorak's V
  EXPECT_TRUE(isPressOfCommand(events[0])) << CGEventGetType(events[0].get());
  EXPECT_EQ(CGEventGetType(events[1].get()), kCGEventKeyDown);
  for (const auto& event : events) {
    // Exactly Command: no other modifier the user happens to hold.
    EXPECT_EQ(modifiersOf(event), kCGEventFlagMaskCommand);
    EXPECT_EQ(CGEventGetIntegerValueField(event.get(), kCGEventSourceStateID),
              static_cast<std::int64_t>(kCGEventSourceStateHIDSystemState));
  }

  const auto ups = pasteChordEvents(source.get(), false, 9);
  ASSERT_TRUE(ups[0] && ups[1]);
  EXPECT_EQ(keyCodeOf(ups[0]), 9);
  EXPECT_EQ(keyCodeOf(ups[1]), 55);
  EXPECT_EQ(CGEventGetType(ups[0].get()), kCGEventKeyUp);
  EXPECT_EQ(modifiersOf(ups[0]), kCGEventFlagMaskCommand);
  EXPECT_NE(CGEventGetType(ups[1].get()), kCGEventKeyDown);
  // Receivers read the release from the flags: Command must not stay held.
  EXPECT_EQ(modifiersOf(ups[1]), 0u);
}

// The machine's own layout is whatever it is; the key found must type "v" in it with Command
// held, as the application reads the shortcut, and is the ANSI key on the U.S. layouts the
// runners use.
TEST(KeyboardTest, ThePasteKeyTypesVWithCommandInTheCurrentLayout) {
  const CGKeyCode key = pasteKeyCode();
  EXPECT_LT(key, 128);
  const auto source = hidSystemSource();
  const auto event = CFRef<CGEventRef>::adopt(CGEventCreateKeyboardEvent(source.get(), key, true));
  ASSERT_TRUE(event);
  CGEventSetFlags(event.get(), kCGEventFlagMaskCommand);
  UniChar typed[4];
  UniCharCount length = 0;
  CGEventKeyboardGetUnicodeString(event.get(), 4, &length, typed);
  ASSERT_EQ(length, 1u);
  EXPECT_EQ(typed[0], u'v');
}

}  // namespace
}  // namespace axb::platform::mac
