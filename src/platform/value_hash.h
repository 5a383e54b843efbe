// Hashes that agree with the platform values' equality: 0.0 and -0.0 hash alike, as do all NaNs
// (which the bindings treat as equal to each other).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/geometry.h"

namespace axb::platform {

inline std::size_t hashCombine(std::size_t seed, std::size_t value) {
  return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

inline std::size_t hashNumber(double value) {
  if (value == 0) return 0;
  if (std::isnan(value)) return 1;
  return std::hash<double>{}(value);
}

inline std::size_t hashValue(std::size_t seed, const Point& point) {
  return hashCombine(hashCombine(seed, hashNumber(point.x)), hashNumber(point.y));
}

inline std::size_t hashValue(std::size_t seed, const Size& size) {
  return hashCombine(hashCombine(seed, hashNumber(size.width)), hashNumber(size.height));
}

inline std::size_t hashValue(std::size_t seed, const Rect& rect) {
  return hashValue(hashValue(seed, Point{rect.x, rect.y}), Size{rect.width, rect.height});
}

inline std::size_t hashValue(std::size_t seed, const Range& range) {
  return hashCombine(hashCombine(seed, std::hash<std::int64_t>{}(range.location)),
                     std::hash<std::int64_t>{}(range.length));
}

}  // namespace axb::platform
