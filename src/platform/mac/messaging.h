// Requests to another application wait at most this long for its answer, then fail with
// -25204: an unresponsive application must not freeze the host's main thread.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

namespace axb::platform::mac {

inline constexpr float kMessagingTimeoutSeconds = 2.0f;

// Applies the timeout to an element the library obtained, or to each element of an array of
// them. Other values are left alone. Never given the system-wide element: its timeout is the
// whole process's.
void limitMessagingTime(CFTypeRef value);

}  // namespace axb::platform::mac
