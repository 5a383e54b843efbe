// Keyboard event sources and events: one Quartz reference each.
#pragma once

#include <ApplicationServices/ApplicationServices.h>

#include "platform/keyboard.h"
#include "platform/mac/cf_ref.h"

namespace axb::platform {

struct KeyEventSource::Impl {
  mac::CFRef<CGEventSourceRef> source;  // never null
};

struct KeyEvent::Impl {
  mac::CFRef<CGEventRef> event;  // never null

  // A key-down or key-up event from the source; null when the system refuses.
  static std::unique_ptr<Impl> make(const KeyEventSource& source, std::uint16_t keyCode,
                                    bool keyDown);
};

}  // namespace axb::platform
