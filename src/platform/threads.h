// Which thread is the library's main thread. Every entry point but the two trust checks must be
// called there; the state behind them takes no lock.
#pragma once

#include <string_view>

namespace axb::platform {

// Where the platform has no main thread of its own, the first thread that calls this becomes the
// main thread; later calls change nothing. Safe from any thread.
void claimMainThread();

// Whether the calling thread is the main thread. Safe from any thread.
bool isMainThread();

// Writes one line to standard output with a single write, touching no library state: the only
// output allowed off the main thread.
void writeLineFromAnyThread(std::string_view line);

}  // namespace axb::platform
