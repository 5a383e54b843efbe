// The delay every event of the library passes through.
#pragma once

#include <functional>

namespace axb::timing {

// Runs the action once on the main thread: after a wait of interval seconds on the main queue,
// then a one-shot run-loop timer of the same interval (which fires only in the default mode).
// Calls are independent; none cancels or delays another.
void debounce(double interval, std::function<void()> action);

}  // namespace axb::timing
