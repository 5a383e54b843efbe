// Behind every Object on Linux: a value held by the library itself, or an AT-SPI accessible.
#pragma once

#include <atspi/atspi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/linux/atspi/accessible_identity.h"
#include "platform/linux/glib/g_ref.h"
#include "platform/object.h"

namespace axb::platform {
namespace atspi {

// An element: an accessible of another application. An application that is running but not (yet)
// in the accessibility tree has an element without an accessible, known by its process alone.
struct ElementValue {
  GRef<AtspiAccessible> accessible;
  ProcessId pid = 0;  // of the application placeholder; 0 when the accessible is set
};

// Wrapped geometry, as the boundary's AXValue.
struct GeometryValue {
  AXValueType type = AXValueType::Illegal;
  Point point;
  Size size;
  Rect rect;
  Range range;
};

// A position in an element's text, counted in characters (code points) as AT-SPI counts them.
struct MarkerValue {
  ElementValue element;
  std::int64_t offset = 0;
};

struct MarkerRangeValue {
  MarkerValue start;
  MarkerValue end;
};

using Value = std::variant<std::string, double, bool, std::vector<Object>, GeometryValue,
                           ElementValue, MarkerValue, MarkerRangeValue>;

}  // namespace atspi

struct Object::Impl {
  atspi::Value value;
};

namespace atspi {

inline Object wrap(Value value) {
  return Object(std::make_shared<const Object::Impl>(Object::Impl{std::move(value)}));
}

template <typename T>
const T* valueOf(const Object& object) {
  return object.impl() ? std::get_if<T>(&object.impl()->value) : nullptr;
}

inline Object wrapAccessible(GRef<AtspiAccessible> accessible) {
  if (!accessible) return Object();
  return wrap(ElementValue{std::move(accessible), 0});
}

// The element's accessible; null for an empty object, a placeholder or another kind of object.
inline AtspiAccessible* accessibleOf(const Element& element) {
  const ElementValue* value = valueOf<ElementValue>(element.object());
  return value ? value->accessible.get() : nullptr;
}

}  // namespace atspi
}  // namespace axb::platform
