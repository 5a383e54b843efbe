// The paste shortcut through Quartz event services: Command down, V down, V up, Command up, from
// a source of the HID system's state, posted at the HID tap like keyboard input.
#include "platform/keyboard.h"

#include "platform/mac/paste_chord.h"

namespace axb::platform {
namespace mac {
namespace {

// A key event flagged with Command alone; null when the system refuses to create it.
CFRef<CGEventRef> commandKeyEvent(CGEventSourceRef source, CGKeyCode keyCode, bool keyDown) {
  auto event = CFRef<CGEventRef>::adopt(CGEventCreateKeyboardEvent(source, keyCode, keyDown));
  if (event) CGEventSetFlags(event.get(), kCGEventFlagMaskCommand);
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

}  // namespace

std::array<CFRef<CGEventRef>, 2> pasteChordEvents(CGEventSourceRef source, bool keyDown) {
  if (keyDown) {
    return {commandKeyEvent(source, kKeyCodeCommand, true),
            commandKeyEvent(source, kKeyCodeV, true)};
  }
  return {commandKeyEvent(source, kKeyCodeV, false),
          commandKeyEvent(source, kKeyCodeCommand, false)};
}

}  // namespace mac

bool postPasteShortcut() {
  const auto source =
      mac::CFRef<CGEventSourceRef>::adopt(CGEventSourceCreate(kCGEventSourceStateHIDSystemState));
  if (!source) return false;
  // The key-ups are created after the key-downs are posted, as a typing hand would produce them.
  const bool downs = mac::postAll(mac::pasteChordEvents(source.get(), true));
  const bool ups = mac::postAll(mac::pasteChordEvents(source.get(), false));
  return downs && ups;
}

}  // namespace axb::platform
