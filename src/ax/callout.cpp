#include "ax/callout.h"

#include "platform/diagnostics.h"

namespace axb::ax {

void reportCalloutError() noexcept {
  try {
    platform::writeDiagnosticLine("error in callback");
  } catch (...) {
  }
}

}  // namespace axb::ax
