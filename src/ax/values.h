// The plain kinds of value the library reads from accessibility elements.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/geometry.h"
#include "platform/object.h"

namespace axb::ax {

using platform::Element;

// Opaque text markers, passed back to the platform as they came.
struct TextMarkerRange {
  platform::Object object;
};
struct TextMarker {
  platform::Object object;
};

// The library's tagged union of converted values; the case order is the tag order.
struct ReturnType {
  enum class Tag { range = 0, rect, int_, string, bool_, axuielemnt, point };
  std::variant<Range, Rect, std::int64_t, std::string, bool, Element, Point> value;

  Tag tag() const { return static_cast<Tag>(value.index()); }
};

}  // namespace axb::ax
