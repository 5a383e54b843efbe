// How long the library holds the host's main loop while it answers about a text of ten megabytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "e2e/desktop_session.h"

namespace axb::measure {

// Fills the followed application's text view and moves its caret, selects and asks for the
// assistant context there with `tap` (a key, Shift held or not); the figure's table cell.
std::string longTextFigure(e2e::ChildApp& app, const std::function<bool(std::uint32_t, bool)>& tap);

}  // namespace axb::measure
