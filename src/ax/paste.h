// The two low-level pieces of pasting into another application.
#pragma once

namespace axb::ax {

// Posts the paste shortcut (Command-V on macOS: Command down, V down, V up, Command up, each with
// exactly the Command flag, so that a modifier the user holds does not change the keystroke).
void pasteCommand();

// Blocks the calling thread for the duration without running its run loop. Measured on a
// monotonic clock and spent asleep: a clock change cannot stretch it and it costs no processor.
void delay(double seconds);

}  // namespace axb::ax
