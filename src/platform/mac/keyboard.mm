// The paste shortcut through Quartz event services: Command down, V down, V up, Command up, from
// a source of the HID system's state, posted at the HID tap like keyboard input. V is whichever
// key types it in the user's keyboard layout.
#include "platform/keyboard.h"

#include <Carbon/Carbon.h>
#include <dlfcn.h>

#include <optional>
#include <string>

#include "platform/key_layout.h"
#include "platform/mac/paste_chord.h"

namespace axb::platform {
namespace mac {
namespace {

constexpr UInt16 kKeyCodeCount = 128;

// UCKeyTranslate, looked up by name as the text-marker functions are: it lives in CoreServices'
// CarbonCore, which Carbon reaches only through re-export lists that not every SDK's stubs keep.
// Without it, the ANSI key is used.
using KeyTranslate = decltype(&UCKeyTranslate);

KeyTranslate keyTranslate() {
  static const auto function =
      reinterpret_cast<KeyTranslate>(dlsym(RTLD_DEFAULT, "UCKeyTranslate"));
  return function;
}

// A key event flagged with exactly the flags; null when the system refuses to create it.
CFRef<CGEventRef> keyEvent(CGEventSourceRef source, CGKeyCode keyCode, bool keyDown,
                           CGEventFlags flags) {
  auto event = CFRef<CGEventRef>::adopt(CGEventCreateKeyboardEvent(source, keyCode, keyDown));
  if (event) CGEventSetFlags(event.get(), flags);
  return event;
}

// Posts the events that were created; true when there was no gap.
bool postAll(const std::array<CFRef<CGEventRef>, 2>& events) {
  bool all = true;
  for (const auto& event : events) {
    if (!event) {
      all = false;
      continue;
    }
    CGEventPost(kCGHIDEventTap, event.get());
  }
  return all;
}

// UCKeyTranslate's modifier key state: the Carbon modifier flags shifted right by 8 bits.
UInt32 modifierKeyState(Modifiers held) {
  return held == Modifiers::Command ? (cmdKey >> 8) & 0xFF : 0;
}

// What each key of the input source's layout types; nothing for a source without Unicode layout
// data (an input method, for one).
std::optional<KeyLayout> layoutOf(TISInputSourceRef source) {
  const KeyTranslate translate = keyTranslate();
  if (!source || !translate) return std::nullopt;
  const auto data = CFRef<CFDataRef>::retain(
      static_cast<CFDataRef>(TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData)));
  if (!data) return std::nullopt;
  return KeyLayout([translate, data](Modifiers held) {
    const auto* layout = reinterpret_cast<const UCKeyboardLayout*>(CFDataGetBytePtr(data.get()));
    KeyTable keys;
    for (UInt16 keyCode = 0; keyCode < kKeyCodeCount; ++keyCode) {
      UInt32 deadKeyState = 0;
      UniChar typed[4];
      UniCharCount length = 0;
      const OSStatus status =
          translate(layout, keyCode, kUCKeyActionDown, modifierKeyState(held), LMGetKbdType(),
                    kUCKeyTranslateNoDeadKeysMask, &deadKeyState, 4, &length, typed);
      if (status != noErr || length == 0) continue;
      keys.emplace_back(keyCode, std::u16string(typed, typed + length));
    }
    return keys;
  });
}

}  // namespace

CGKeyCode pasteKeyCode() {
  const auto current = CFRef<TISInputSourceRef>::adopt(TISCopyCurrentKeyboardLayoutInputSource());
  const auto asciiCapable =
      CFRef<TISInputSourceRef>::adopt(TISCopyCurrentASCIICapableKeyboardLayoutInputSource());
  return platform::pasteKeyCode(layoutOf(current.get()), layoutOf(asciiCapable.get()),
                                kKeyCodeAnsiV);
}

std::array<CFRef<CGEventRef>, 2> pasteChordEvents(CGEventSourceRef source, bool keyDown,
                                                  CGKeyCode vKeyCode) {
  if (keyDown) {
    return {keyEvent(source, kKeyCodeCommand, true, kCGEventFlagMaskCommand),
            keyEvent(source, vKeyCode, true, kCGEventFlagMaskCommand)};
  }
  return {keyEvent(source, vKeyCode, false, kCGEventFlagMaskCommand),
          keyEvent(source, kKeyCodeCommand, false, 0)};
}

}  // namespace mac

// The system drops the events of an untrusted process without telling: asked without a prompt.
std::optional<KeysRefusal> syntheticKeysRefused() {
  if (!AXIsProcessTrusted()) return KeysRefusal::NotTrusted;
  return std::nullopt;
}

bool postPasteShortcut() {
  @autoreleasepool {
    const auto source =
        mac::CFRef<CGEventSourceRef>::adopt(CGEventSourceCreate(kCGEventSourceStateHIDSystemState));
    if (!source) return false;
    const CGKeyCode vKeyCode = mac::pasteKeyCode();
    // The key-ups are created after the key-downs are posted, as a typing hand would produce them.
    const bool downs = mac::postAll(mac::pasteChordEvents(source.get(), true, vKeyCode));
    const bool ups = mac::postAll(mac::pasteChordEvents(source.get(), false, vKeyCode));
    return downs && ups;
  }
}

}  // namespace axb::platform
