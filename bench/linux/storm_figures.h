// How the host fares while other clients misbehave on the display.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace axb::measure {

// Thousands of windows a second created and destroyed, claiming to be `followed`'s (as any
// client may), one window resized as fast as the server allows, and a requestor asking for the
// clipboard two million times, each by the misbehaving client `peer`: how late the host's main
// context ran meanwhile, how long it took to settle and what it cost after; a table row each.
// Another client still reads the clipboard after the requests.
std::vector<std::string> stormRows(const std::string& peer, pid_t followed);

}  // namespace axb::measure
