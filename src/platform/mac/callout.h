// The binding's Objective-C call-outs from the run loop (observer callbacks, workspace and window
// notifications, timers, tracking areas, event monitors). Each runs in its own autorelease pool,
// since a host that runs a bare CFRunLoopRun() never drains one, and lets no exception out,
// neither an NSException nor a C++ one.
#pragma once

#import <Foundation/Foundation.h>

#include "platform/diagnostics.h"

namespace axb::platform::mac {

inline void reportCalloutError() noexcept {
  try {
    writeDiagnosticLine("error in callback");
  } catch (...) {
  }
}

template <typename Body>
void runCallout(Body&& body) noexcept {
  @autoreleasepool {
    @try {
      try {
        body();
      } catch (...) {
        reportCalloutError();
      }
    } @catch (id) {
      reportCalloutError();
    }
  }
}

}  // namespace axb::platform::mac
