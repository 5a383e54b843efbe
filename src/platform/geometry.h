// Plain value types the accessibility interface speaks in: screen points with the origin at the
// top-left of the main display (y grows downward) and text ranges in UTF-16 code units.
#pragma once

#include <cstdint>

namespace axb {

struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// A text range: location and length in UTF-16 code units, signed 64-bit as the platform has it.
struct Range {
  std::int64_t location = 0;
  std::int64_t length = 0;
  friend bool operator==(const Range&, const Range&) = default;
};

using ProcessId = std::int32_t;

}  // namespace axb
