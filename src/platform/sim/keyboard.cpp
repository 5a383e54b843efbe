// The paste shortcut of the platform boundary: the four key events macOS posts for Command-V
// (Command down, V down, V up, each with the Command flag alone, and Command up with no flag) are
// posted on the simulated desktop, whose frontmost application handles them a little later.
#include "platform/keyboard.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "sim_desktop/desktop.h"

namespace axb::platform {

// The simulated desktop drops an untrusted process's keys, as macOS does; it always has a display.
std::optional<KeysRefusal> syntheticKeysRefused() {
  if (!sim::Desktop::current().trusted()) return KeysRefusal::NotTrusted;
  return std::nullopt;
}

bool postPasteShortcut() {
  auto& desktop = sim::Desktop::current();
  constexpr std::pair<std::uint16_t, bool> kChord[] = {
      {sim::kKeyCodeCommand, true},
      {sim::kKeyCodeV, true},
      {sim::kKeyCodeV, false},
      {sim::kKeyCodeCommand, false},
  };
  for (const auto& [keyCode, keyDown] : kChord) {
    sim::PostedKeyEvent event;
    event.sourceState = sim::kHIDSystemState;
    event.keyCode = keyCode;
    event.keyDown = keyDown;
    // Command's release clears the flag: receivers read modifier transitions from the flags.
    event.flags = keyCode == sim::kKeyCodeCommand && !keyDown ? 0 : sim::kCommandFlag;
    event.tap = sim::kHIDEventTap;
    desktop.recordKeyEvent(event);
  }
  return true;
}

}  // namespace axb::platform
