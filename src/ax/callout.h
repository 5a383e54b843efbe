// Code the platform's run loop calls (notification handlers, workspace and window events,
// timers): nothing it throws may reach the platform, which cannot handle it. The run is
// abandoned with one line, which carries nothing of the exception's message (it may quote the
// user's text), and the library goes on.
#pragma once

#include <utility>

namespace axb::ax {

// Writes "error in callback"; never throws.
void reportCalloutError() noexcept;

template <typename Body>
void runCallout(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    reportCalloutError();
  }
}

}  // namespace axb::ax
