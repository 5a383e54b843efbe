// Platform objects on Linux: values by content, elements by (application, path), text markers by
// (element, offset).
#include "platform/object.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <string_view>
#include <type_traits>

#include "platform/linux/object_impl.h"
#include "platform/utf8.h"
#include "platform/value_hash.h"

namespace axb::platform {
namespace atspi {
namespace {

using platform::hashCombine;

bool sameElement(const ElementValue& a, const ElementValue& b) {
  if (!a.accessible || !b.accessible) return !a.accessible && !b.accessible && a.pid == b.pid;
  return sameAccessible(a.accessible.get(), b.accessible.get());
}

std::size_t hashElement(const ElementValue& element) {
  return element.accessible ? hashAccessible(element.accessible.get())
                            : std::hash<ProcessId>{}(element.pid);
}

bool sameGeometry(const GeometryValue& a, const GeometryValue& b) {
  if (a.type != b.type) return false;
  switch (a.type) {
    case AXValueType::CGPoint:
      return a.point == b.point;
    case AXValueType::CGSize:
      return a.size == b.size;
    case AXValueType::CGRect:
      return a.rect == b.rect;
    case AXValueType::CFRange:
      return a.range == b.range;
    default:
      return true;
  }
}

std::size_t hashGeometry(const GeometryValue& g) {
  const auto seed = static_cast<std::size_t>(g.type);
  switch (g.type) {
    case AXValueType::CGPoint:
      return platform::hashValue(seed, g.point);
    case AXValueType::CGSize:
      return platform::hashValue(seed, g.size);
    case AXValueType::CGRect:
      return platform::hashValue(seed, g.rect);
    case AXValueType::CFRange:
      return platform::hashValue(seed, g.range);
    default:
      return seed;
  }
}

bool sameMarker(const MarkerValue& a, const MarkerValue& b) {
  return a.offset == b.offset && sameElement(a.element, b.element);
}

std::size_t hashMarker(const MarkerValue& marker) {
  return hashCombine(hashElement(marker.element), std::hash<std::int64_t>{}(marker.offset));
}

bool sameValue(const Value& a, const Value& b) {
  if (a.index() != b.index()) return false;
  return std::visit(
      [&b](const auto& left) -> bool {
        using T = std::decay_t<decltype(left)>;
        const T& right = std::get<T>(b);
        if constexpr (std::is_same_v<T, double>) {
          return left == right || (std::isnan(left) && std::isnan(right));
        } else if constexpr (std::is_same_v<T, GeometryValue>) {
          return sameGeometry(left, right);
        } else if constexpr (std::is_same_v<T, ElementValue>) {
          return sameElement(left, right);
        } else if constexpr (std::is_same_v<T, MarkerValue>) {
          return sameMarker(left, right);
        } else if constexpr (std::is_same_v<T, MarkerRangeValue>) {
          return sameMarker(left.start, right.start) && sameMarker(left.end, right.end);
        } else {
          return left == right;
        }
      },
      a);
}

std::size_t hashValue(const Value& value) {
  const std::size_t kind = value.index();
  return hashCombine(kind, std::visit(
                               [](const auto& v) -> std::size_t {
                                 using T = std::decay_t<decltype(v)>;
                                 if constexpr (std::is_same_v<T, std::string>) {
                                   return std::hash<std::string>{}(v);
                                 } else if constexpr (std::is_same_v<T, double>) {
                                   return platform::hashNumber(v);
                                 } else if constexpr (std::is_same_v<T, bool>) {
                                   return v ? 1 : 0;
                                 } else if constexpr (std::is_same_v<T, std::vector<Object>>) {
                                   std::size_t seed = v.size();
                                   for (const Object& item : v)
                                     seed = hashCombine(seed, item.hash());
                                   return seed;
                                 } else if constexpr (std::is_same_v<T, GeometryValue>) {
                                   return hashGeometry(v);
                                 } else if constexpr (std::is_same_v<T, ElementValue>) {
                                   return hashElement(v);
                                 } else if constexpr (std::is_same_v<T, MarkerValue>) {
                                   return hashMarker(v);
                                 } else {
                                   return hashCombine(hashMarker(v.start), hashMarker(v.end));
                                 }
                               },
                               value));
}

const GeometryValue* geometryOf(const Object& object, AXValueType type) {
  const GeometryValue* geometry = valueOf<GeometryValue>(object);
  return geometry && geometry->type == type ? geometry : nullptr;
}

}  // namespace

}  // namespace atspi

using atspi::valueOf;

ValueKind Object::kind() const {
  if (!impl_) return ValueKind::Null;
  switch (impl_->value.index()) {
    case 0:
      return ValueKind::String;
    case 1:
      return ValueKind::Number;
    case 2:
      return ValueKind::Boolean;
    case 3:
      return ValueKind::Array;
    case 4:
      return ValueKind::AXValue;
    case 5:
      return ValueKind::Element;
    case 6:
      return ValueKind::TextMarker;
    case 7:
      return ValueKind::TextMarkerRange;
    default:
      return ValueKind::Other;
  }
}

std::optional<std::string> Object::string() const {
  const auto* text = valueOf<std::string>(*this);
  return text ? std::optional<std::string>(*text) : std::nullopt;
}

std::optional<double> Object::number() const {
  const auto* number = valueOf<double>(*this);
  return number ? std::optional<double>(*number) : std::nullopt;
}

std::optional<bool> Object::boolean() const {
  const auto* value = valueOf<bool>(*this);
  return value ? std::optional<bool>(*value) : std::nullopt;
}

std::optional<std::vector<Object>> Object::array() const {
  const auto* items = valueOf<std::vector<Object>>(*this);
  return items ? std::optional<std::vector<Object>>(*items) : std::nullopt;
}

AXValueType Object::axValueType() const {
  const auto* geometry = valueOf<atspi::GeometryValue>(*this);
  return geometry ? geometry->type : AXValueType::Illegal;
}

std::optional<Point> Object::axPoint() const {
  const auto* g = atspi::geometryOf(*this, AXValueType::CGPoint);
  return g ? std::optional<Point>(g->point) : std::nullopt;
}

std::optional<Size> Object::axSize() const {
  const auto* g = atspi::geometryOf(*this, AXValueType::CGSize);
  return g ? std::optional<Size>(g->size) : std::nullopt;
}

std::optional<Rect> Object::axRect() const {
  const auto* g = atspi::geometryOf(*this, AXValueType::CGRect);
  return g ? std::optional<Rect>(g->rect) : std::nullopt;
}

std::optional<Range> Object::axRange() const {
  const auto* g = atspi::geometryOf(*this, AXValueType::CFRange);
  return g ? std::optional<Range>(g->range) : std::nullopt;
}

bool Object::operator==(const Object& other) const {
  if (impl_ == other.impl_) return true;
  if (!impl_ || !other.impl_) return false;
  return atspi::sameValue(impl_->value, other.impl_->value);
}

std::size_t Object::hash() const {
  return impl_ ? atspi::hashValue(impl_->value) : 0;
}

Object Object::makeString(std::string_view utf8) {
  // As text from another application, ill-formed UTF-8 becomes U+FFFD instead of cutting it short.
  return atspi::wrap(utf8::toWellFormed(utf8));
}

Object Object::makeNumber(double value) {
  return atspi::wrap(value);
}

Object Object::makeBoolean(bool value) {
  return atspi::wrap(value);
}

Object Object::makeRange(Range range) {
  atspi::GeometryValue geometry;
  geometry.type = AXValueType::CFRange;
  geometry.range = range;
  return atspi::wrap(geometry);
}

}  // namespace axb::platform
