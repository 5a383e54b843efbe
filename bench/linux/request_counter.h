// Counts the accessibility requests this process sends: every method call that leaves through
// libdbus, the library libatspi sends all its requests with (on the accessibility bus or on a
// direct connection to an application). Signals and replies are not requests and not counted.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace axb::measure {

// Method calls sent since the process started.
std::uint64_t requestsSent();

// The same, by interface and member ("org.a11y.atspi.Text.GetText"), for what the figures do
// not explain.
std::map<std::string, std::uint64_t> requestsByMember();

}  // namespace axb::measure
