// Writing the library's lines to standard output on a POSIX system without ever ending the host:
// when whatever reads the output has gone, a write raises SIGPIPE, whose default action ends the
// process. The write runs with SIGPIPE blocked in the calling thread, and a SIGPIPE it raised is
// taken back before the mask is restored, so that it is neither delivered nor left pending. The
// process's signal disposition and the descriptor's flags, which the host owns, are not touched.
// A failed write is dropped.
#pragma once

#include <string_view>

namespace axb::platform {

// Through stdio, flushed at once, so that the line interleaves with the host's own output in
// the order they happened. Main thread.
void writeLineToStdout(std::string_view line);

// Every binding's writeLineFromAnyThread (platform/threads.h) is here too.

}  // namespace axb::platform
