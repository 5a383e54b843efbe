#include "platform/diagnostics.h"

#include "sim_desktop/desktop.h"

namespace axb::platform {

void writeDiagnosticLine(std::string_view line) {
  sim::Desktop::current().writeDiagnosticLine(line);
}

}  // namespace axb::platform
