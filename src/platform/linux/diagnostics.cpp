// Diagnostic lines go to standard output, flushed at once so that they interleave with the
// host's own output in the order they happened; a reader that has gone does not end the host.
#include "platform/diagnostics.h"

#include "platform/quiet_stdout.h"

namespace axb::platform {

void writeDiagnosticLine(std::string_view line) {
  writeLineToStdout(line);
}

}  // namespace axb::platform
