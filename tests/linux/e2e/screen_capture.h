// What is drawn on the test display, taken from the X server: where an application's drawing
// changed between two captures (a selection's highlight, against the same text unselected).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "e2e/desktop_session.h"

namespace axb::e2e {

struct ScreenCapture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // row by row from the top-left corner of the screen
};

std::optional<ScreenCapture> captureScreen();

// The bounding box [x, y, width, height] of the pixels that differ, or null when none do.
Json changedArea(const ScreenCapture& before, const ScreenCapture& after);

}  // namespace axb::e2e
