// The library's diagnostic output: plain lines on standard output.
#pragma once

#include <string_view>

namespace axb::platform {

void writeDiagnosticLine(std::string_view line);

}  // namespace axb::platform
