// An accessible's role never changes: it is asked once and remembered (for a few thousand
// accessibles at most), so that the stream of events GTK sends while it lays out a window, each
// checked for coming from a window, costs no request.
#pragma once

#include <atspi/atspi.h>

#include "platform/linux/atspi/accessible_reads.h"

namespace axb::platform::atspi {

Answer<AtspiRole> roleOf(AtspiAccessible* accessible);

}  // namespace axb::platform::atspi
