// Whether the desktop's accessibility is switched on: the accessibility bus's
// org.a11y.Status IsEnabled property on the session bus.
#pragma once

namespace axb::platform::atspi {

// The state right now. With switchOn set and the state off, asks the bus to switch it on (the
// Linux counterpart of the permission prompt); the answer is still the state before.
bool accessibilityEnabled(bool switchOn);

}  // namespace axb::platform::atspi
