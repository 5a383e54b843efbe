// The connection to the accessibility bus, shared by the whole binding: set up once on first
// use, with a bounded wait on every request, and the lookups every part needs.
#pragma once

#include <atspi/atspi.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {

// How long one request to another application may take before it counts as unanswered.
// libatspi waits two to four times this before it gives up on an application that does not
// answer, so a hung application costs a run up to about three seconds.
inline constexpr int kRequestTimeoutMilliseconds = 500;

// Connects to the accessibility bus once (later calls do nothing); false when there is none.
bool ensureSession();

// Follows the accessibility bus's launcher on the session bus. When the bus has gone away (its
// launcher ended) and comes back, `disconnecting` runs while the old connection is still there,
// then the session connects to the new bus and `reconnected` runs; both on the main context.
// Without this an application that restarts the bus is never heard again.
void followRestarts(std::function<void()> disconnecting, std::function<void()> reconnected);

// The error code a failed request reports: -25204 when the application did not answer in time,
// -25202 when it (or the object) is gone, -25200 otherwise.
AXErrorCode errorCodeOf(const GError* error);

// The process that owns the accessible, remembered per connection; nothing when unknown.
std::optional<ProcessId> processOf(AtspiAccessible* accessible);

// The application accessible of a process: the one its events came from, else the first of the
// desktop's children it owns (looked up once); empty when the process has none in the tree.
GRef<AtspiAccessible> applicationOf(ProcessId pid);
// Notes the application the accessible, heard of in an event, belongs to.
void noteApplicationOf(AtspiAccessible* accessible);

// Forgets what was remembered about a process that ended.
void forgetProcess(ProcessId pid);

// UTF-8 from a string another application sent: ill-formed bytes become U+FFFD.
std::string textFrom(const gchar* text);

}  // namespace axb::platform::atspi
