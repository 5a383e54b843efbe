#include "ax/paste.h"

#include "platform/keyboard.h"
#include "platform/run_loop.h"

namespace axb::ax {

void pasteCommand() {
  // A shortcut that was not (wholly) posted goes unnoticed, like a keystroke the system drops.
  platform::postPasteShortcut();
}

void delay(double seconds) {
  if (!(seconds > 0)) return;  // also NaN
  platform::sleepUntilMonotonic(platform::monotonicSeconds() + seconds);
}

}  // namespace axb::ax
