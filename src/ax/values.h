// The plain kinds of value the library reads from accessibility elements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
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

template <ReturnType::Tag tag>
using ReturnTypeCase =
    std::variant_alternative_t<static_cast<std::size_t>(tag), decltype(ReturnType::value)>;
static_assert(std::is_same_v<ReturnTypeCase<ReturnType::Tag::range>, Range> &&
                  std::is_same_v<ReturnTypeCase<ReturnType::Tag::rect>, Rect> &&
                  std::is_same_v<ReturnTypeCase<ReturnType::Tag::int_>, std::int64_t> &&
                  std::is_same_v<ReturnTypeCase<ReturnType::Tag::string>, std::string> &&
                  std::is_same_v<ReturnTypeCase<ReturnType::Tag::bool_>, bool> &&
                  std::is_same_v<ReturnTypeCase<ReturnType::Tag::axuielemnt>, Element> &&
                  std::is_same_v<ReturnTypeCase<ReturnType::Tag::point>, Point>,
              "each tag is the index of its case");

}  // namespace axb::ax
