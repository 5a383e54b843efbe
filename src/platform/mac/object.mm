// Platform objects are Core Foundation references, told apart by their type identifiers.
#include "platform/object.h"

#include <ApplicationServices/ApplicationServices.h>

#include "platform/mac/cf_string.h"
#include "platform/mac/object_impl.h"
#include "platform/mac/text_markers.h"

namespace axb::platform {
namespace {

using mac::borrow;
using mac::CFRef;
using mac::wrap;

bool hasType(CFTypeRef ref, CFTypeID (*typeId)()) {
  return ref && typeId && CFGetTypeID(ref) == typeId();
}

// AXValueGetType is asked only of AXValues: other objects have no value type to report.
AXValueType valueTypeOf(CFTypeRef ref) {
  if (!hasType(ref, AXValueGetTypeID)) return AXValueType::Illegal;
  const auto type = static_cast<int>(AXValueGetType(static_cast<AXValueRef>(ref)));
  if (type < static_cast<int>(AXValueType::CGPoint) ||
      type > static_cast<int>(AXValueType::AXError)) {
    return AXValueType::Illegal;
  }
  return static_cast<AXValueType>(type);
}

// Extracts a wrapped value of the given type into a zero-filled native structure.
template <typename Native>
std::optional<Native> extract(CFTypeRef ref, AXValueType type) {
  if (valueTypeOf(ref) != type) return std::nullopt;
  Native native{};
  if (!AXValueGetValue(static_cast<AXValueRef>(ref), static_cast<::AXValueType>(type), &native)) {
    return std::nullopt;
  }
  return native;
}

}  // namespace

ValueKind Object::kind() const {
  const CFTypeRef ref = borrow(*this);
  if (!ref) return ValueKind::Null;
  const CFTypeID type = CFGetTypeID(ref);
  if (type == CFStringGetTypeID()) return ValueKind::String;
  if (type == CFNumberGetTypeID()) return ValueKind::Number;
  if (type == CFBooleanGetTypeID()) return ValueKind::Boolean;
  if (type == CFArrayGetTypeID()) return ValueKind::Array;
  if (type == AXValueGetTypeID()) return ValueKind::AXValue;
  if (type == CFAttributedStringGetTypeID()) return ValueKind::AttributedString;
  if (type == AXUIElementGetTypeID()) return ValueKind::Element;
  const mac::TextMarkerFunctions& markers = mac::textMarkerFunctions();
  if (hasType(ref, markers.markerTypeId)) return ValueKind::TextMarker;
  if (hasType(ref, markers.rangeTypeId)) return ValueKind::TextMarkerRange;
  return ValueKind::Other;
}

std::optional<std::string> Object::string() const {
  const CFTypeRef ref = borrow(*this);
  if (!hasType(ref, CFStringGetTypeID)) return std::nullopt;
  return mac::utf8String(static_cast<CFStringRef>(ref));
}

std::optional<double> Object::number() const {
  const CFTypeRef ref = borrow(*this);
  if (!hasType(ref, CFNumberGetTypeID)) return std::nullopt;
  const auto number = static_cast<CFNumberRef>(ref);
  if (CFNumberIsFloatType(number)) {
    double value = 0;
    CFNumberGetValue(number, kCFNumberDoubleType, &value);
    return value;
  }
  SInt64 value = 0;
  CFNumberGetValue(number, kCFNumberSInt64Type, &value);
  return static_cast<double>(value);
}

std::optional<bool> Object::boolean() const {
  const CFTypeRef ref = borrow(*this);
  if (!hasType(ref, CFBooleanGetTypeID)) return std::nullopt;
  return CFBooleanGetValue(static_cast<CFBooleanRef>(ref)) != 0;
}

std::optional<std::vector<Object>> Object::array() const {
  const CFTypeRef ref = borrow(*this);
  if (!hasType(ref, CFArrayGetTypeID)) return std::nullopt;
  const auto array = static_cast<CFArrayRef>(ref);
  const CFIndex count = CFArrayGetCount(array);
  std::vector<Object> items;
  items.reserve(static_cast<std::size_t>(count));
  for (CFIndex i = 0; i < count; ++i) {
    items.push_back(wrap(CFRef<CFTypeRef>::retain(CFArrayGetValueAtIndex(array, i))));
  }
  return items;
}

AXValueType Object::axValueType() const {
  return valueTypeOf(borrow(*this));
}

std::optional<Point> Object::axPoint() const {
  const auto point = extract<CGPoint>(borrow(*this), AXValueType::CGPoint);
  if (!point) return std::nullopt;
  return Point{point->x, point->y};
}

std::optional<Size> Object::axSize() const {
  const auto size = extract<CGSize>(borrow(*this), AXValueType::CGSize);
  if (!size) return std::nullopt;
  return Size{size->width, size->height};
}

std::optional<Rect> Object::axRect() const {
  const auto rect = extract<CGRect>(borrow(*this), AXValueType::CGRect);
  if (!rect) return std::nullopt;
  return Rect{rect->origin.x, rect->origin.y, rect->size.width, rect->size.height};
}

std::optional<Range> Object::axRange() const {
  const auto range = extract<CFRange>(borrow(*this), AXValueType::CFRange);
  if (!range) return std::nullopt;
  return Range{range->location, range->length};
}

bool Object::operator==(const Object& other) const {
  if (impl_ == other.impl_) return true;
  const CFTypeRef left = borrow(*this);
  const CFTypeRef right = borrow(other);
  if (!left || !right) return false;
  return CFEqual(left, right);
}

std::size_t Object::hash() const {
  const CFTypeRef ref = borrow(*this);
  return ref ? static_cast<std::size_t>(CFHash(ref)) : 0;
}

Object Object::makeString(std::string_view utf8) {
  mac::CFRef<CFStringRef> string = mac::makeCFString(utf8);
  return wrap(CFRef<CFTypeRef>::retain(string.get()));
}

Object Object::makeNumber(double value) {
  return wrap(
      CFRef<CFTypeRef>::adopt(CFNumberCreate(kCFAllocatorDefault, kCFNumberDoubleType, &value)));
}

Object Object::makeBoolean(bool value) {
  return wrap(CFRef<CFTypeRef>::retain(value ? kCFBooleanTrue : kCFBooleanFalse));
}

Object Object::makeRange(Range range) {
  const CFRange native =
      CFRangeMake(static_cast<CFIndex>(range.location), static_cast<CFIndex>(range.length));
  const auto type = static_cast<::AXValueType>(AXValueType::CFRange);
  return wrap(CFRef<CFTypeRef>::adopt(AXValueCreate(type, &native)));
}

}  // namespace axb::platform
