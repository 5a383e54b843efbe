// Diagnostic lines go to standard output, flushed at once so that they interleave with the
// host's own output in the order they happened.
#include "platform/diagnostics.h"

#include <cstdio>

namespace axb::platform {

void writeDiagnosticLine(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace axb::platform
