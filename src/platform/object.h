// Platform objects as the accessibility interface hands them out: reference-counted handles to
// strings, numbers, booleans, arrays, wrapped geometry ("AXValue"), elements and text markers.
// Copying a handle shares the object; the last handle releases it.
//
// Each platform folder defines Object::Impl and the member functions declared here.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/geometry.h"

namespace axb::platform {

// The platform type of an object, as its type identifier tells it.
enum class ValueKind {
  Null,
  String,
  Number,
  Boolean,
  Array,
  AXValue,
  AttributedString,
  Element,
  TextMarker,
  TextMarkerRange,
  Other,
};

// The value type of a wrapped geometry value. Anything that is not such a value reports Illegal.
enum class AXValueType : int {
  Illegal = 0,
  CGPoint = 1,
  CGSize = 2,
  CGRect = 3,
  CFRange = 4,
  AXError = 5,
};

class Object {
 public:
  struct Impl;

  Object() = default;
  explicit Object(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}

  explicit operator bool() const { return impl_ != nullptr; }
  ValueKind kind() const;

  // Typed views; each yields nothing unless the object is of that kind.
  std::optional<std::string> string() const;  // String, as UTF-8
  std::optional<double> number() const;       // Number
  std::optional<bool> boolean() const;        // Boolean
  std::optional<std::vector<Object>> array() const;

  // The wrapped value's type (Illegal for objects that are not AXValues) and its extraction.
  AXValueType axValueType() const;
  std::optional<Point> axPoint() const;
  std::optional<Size> axSize() const;
  std::optional<Rect> axRect() const;
  std::optional<Range> axRange() const;

  // Platform equality and hash: equal strings and numbers are equal, elements by identity.
  bool operator==(const Object& other) const;
  std::size_t hash() const;

  static Object makeString(std::string_view utf8);
  static Object makeNumber(double value);
  static Object makeBoolean(bool value);
  // Wraps a range as an AXValue of type CFRange; empty when the platform refuses.
  static Object makeRange(Range range);

  const std::shared_ptr<const Impl>& impl() const { return impl_; }

 private:
  std::shared_ptr<const Impl> impl_;
};

// An accessibility element: an Object whose kind is Element.
class Element {
 public:
  static std::optional<Element> from(const Object& object) {
    if (object.kind() != ValueKind::Element) return std::nullopt;
    return Element(object);
  }

  const Object& object() const { return object_; }
  bool operator==(const Element& other) const { return object_ == other.object_; }
  std::size_t hash() const { return object_.hash(); }

 private:
  explicit Element(Object object) : object_(std::move(object)) {}
  Object object_;
};

struct ObjectHash {
  std::size_t operator()(const Object& o) const { return o.hash(); }
  std::size_t operator()(const Element& e) const { return e.hash(); }
};

}  // namespace axb::platform
