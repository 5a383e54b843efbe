// An accessible's states, asked once and then kept current by the applications' own
// "object:state-changed" signals for the states the binding reads, so that an event costs no
// request for them. A window's activity is not among them: it is asked afresh where needed.
#pragma once

#include <atspi/atspi.h>

#include "platform/linux/atspi/accessible_reads.h"

namespace axb::platform::atspi {

// The "object:state-changed:<name>" events that keep the kept states current.
extern const char* const kKeptStateEvents[5];

struct KeptStates {
  bool editable = false;
  bool multiLine = false;
  bool focused = false;
  bool focusable = false;
  bool defunct = false;
};

// The accessible's states: kept, else asked (one request) and kept from then on.
Answer<KeptStates> statesOf(AtspiAccessible* accessible);

// A state-changed event: the state named after its type's second colon now holds or not.
void noteStateChanged(AtspiAccessible* accessible, const char* type, bool holds);

// Forgets every kept state: a window came to the front (not every application says how its focus
// changed then), an application ended (its accessibles with it) or the accessibility bus came
// back.
void forgetStates();

}  // namespace axb::platform::atspi
