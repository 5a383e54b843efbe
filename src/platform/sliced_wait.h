// A blocking wait until a deadline, in slices of at most a second: a slice cut short (by a signal)
// is followed by the next, and the clock is read again after each.
#pragma once

namespace axb::platform {

// Sleeps the calling thread for up to the given number of seconds.
void sleepSeconds(double seconds);

// Returns once `clock` reads the deadline or later, at once for a deadline already past or NaN.
// Each slice is spent in `wait`, which may return early: by default a sleep; a binding may answer
// requests meanwhile.
void waitInSlicesUntil(double deadline, double (*clock)(),
                       void (*wait)(double seconds) = sleepSeconds);

}  // namespace axb::platform
