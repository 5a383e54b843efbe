// Platform objects of the simulated desktop, with the platform's equality: values compare by
// content, elements by identity, text markers by (element, offset).
#include "platform/object.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "platform/sim/object_impl.h"
#include "platform/value_hash.h"

namespace axb::platform {
namespace {

using sim::AttributedStringValue;
using sim::AXValueBox;
using sim::ElementNode;
using sim::OtherValue;
using sim::TextMarkerRangeValue;
using sim::TextMarkerValue;

Object wrap(sim::ValuePayload payload) {
  return Object(std::make_shared<const Object::Impl>(Object::Impl{std::move(payload)}));
}

const sim::ValuePayload* payloadInside(const Object& object) {
  return object ? &object.impl()->payload : nullptr;
}

// Set as the library loads, before anything can ask the desktop for a value.
[[maybe_unused]] const bool kWrappingSet = [] {
  sim::setObjectWrapping({&wrap, &payloadInside});
  return true;
}();

bool sameNumber(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

bool sameOwner(const std::weak_ptr<ElementNode>& a, const std::weak_ptr<ElementNode>& b) {
  return !a.owner_before(b) && !b.owner_before(a);
}

bool sameBox(const AXValueBox& a, const AXValueBox& b) {
  if (a.type != b.type || a.extractable != b.extractable) return false;
  if (!a.extractable) return true;
  switch (a.type) {
    case AXValueType::CGPoint:
      return a.point == b.point;
    case AXValueType::CGSize:
      return a.size == b.size;
    case AXValueType::CGRect:
      return a.rect == b.rect;
    case AXValueType::CFRange:
      return a.range == b.range;
    case AXValueType::AXError:
      return a.error == b.error;
    case AXValueType::Illegal:
      return true;
  }
  return false;
}

std::size_t hashBox(const AXValueBox& box) {
  const auto seed = static_cast<std::size_t>(box.type);
  if (!box.extractable) return hashCombine(seed, 7);
  switch (box.type) {
    case AXValueType::CGPoint:
      return hashValue(seed, box.point);
    case AXValueType::CGSize:
      return hashValue(seed, box.size);
    case AXValueType::CGRect:
      return hashValue(seed, box.rect);
    case AXValueType::CFRange:
      return hashValue(seed, box.range);
    case AXValueType::AXError:
      return hashCombine(seed, std::hash<std::int32_t>{}(box.error));
    case AXValueType::Illegal:
      return seed;
  }
  return seed;
}

bool samePayload(const sim::ValuePayload& a, const sim::ValuePayload& b) {
  if (a.index() != b.index()) return false;
  return std::visit(
      [&b](const auto& left) -> bool {
        using T = std::decay_t<decltype(left)>;
        const auto& right = std::get<T>(b);
        if constexpr (std::is_same_v<T, double>) {
          return sameNumber(left, right);
        } else if constexpr (std::is_same_v<T, AXValueBox>) {
          return sameBox(left, right);
        } else if constexpr (std::is_same_v<T, AttributedStringValue>) {
          return left.text == right.text;
        } else if constexpr (std::is_same_v<T, OtherValue>) {
          return left.description == right.description;
        } else if constexpr (std::is_same_v<T, TextMarkerValue>) {
          return sameOwner(left.element, right.element) && left.offset == right.offset;
        } else if constexpr (std::is_same_v<T, TextMarkerRangeValue>) {
          return left.start == right.start && left.end == right.end;
        } else {
          return left == right;  // strings, booleans, arrays, element identity
        }
      },
      a);
}

}  // namespace

ValueKind Object::kind() const {
  if (!impl_) return ValueKind::Null;
  return std::visit(
      [](const auto& payload) {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, std::string>) return ValueKind::String;
        if constexpr (std::is_same_v<T, double>) return ValueKind::Number;
        if constexpr (std::is_same_v<T, bool>) return ValueKind::Boolean;
        if constexpr (std::is_same_v<T, std::vector<Object>>) return ValueKind::Array;
        if constexpr (std::is_same_v<T, AXValueBox>) return ValueKind::AXValue;
        if constexpr (std::is_same_v<T, AttributedStringValue>) return ValueKind::AttributedString;
        if constexpr (std::is_same_v<T, std::shared_ptr<ElementNode>>) return ValueKind::Element;
        if constexpr (std::is_same_v<T, TextMarkerValue>) return ValueKind::TextMarker;
        if constexpr (std::is_same_v<T, TextMarkerRangeValue>) return ValueKind::TextMarkerRange;
        return ValueKind::Other;
      },
      impl_->payload);
}

std::optional<std::string> Object::string() const {
  if (!impl_) return std::nullopt;
  if (const auto* s = std::get_if<std::string>(&impl_->payload)) return *s;
  return std::nullopt;
}

std::optional<double> Object::number() const {
  if (!impl_) return std::nullopt;
  if (const auto* d = std::get_if<double>(&impl_->payload)) return *d;
  return std::nullopt;
}

std::optional<bool> Object::boolean() const {
  if (!impl_) return std::nullopt;
  if (const auto* b = std::get_if<bool>(&impl_->payload)) return *b;
  return std::nullopt;
}

std::optional<std::vector<Object>> Object::array() const {
  if (!impl_) return std::nullopt;
  if (const auto* a = std::get_if<std::vector<Object>>(&impl_->payload)) return *a;
  return std::nullopt;
}

AXValueType Object::axValueType() const {
  if (!impl_) return AXValueType::Illegal;
  if (const auto* box = std::get_if<AXValueBox>(&impl_->payload)) return box->type;
  return AXValueType::Illegal;
}

namespace {
const AXValueBox* extractable(const std::shared_ptr<const Object::Impl>& impl, AXValueType type) {
  if (!impl) return nullptr;
  const auto* box = std::get_if<AXValueBox>(&impl->payload);
  if (!box || box->type != type || !box->extractable) return nullptr;
  return box;
}
}  // namespace

std::optional<Point> Object::axPoint() const {
  if (const auto* box = extractable(impl_, AXValueType::CGPoint)) return box->point;
  return std::nullopt;
}

std::optional<Size> Object::axSize() const {
  if (const auto* box = extractable(impl_, AXValueType::CGSize)) return box->size;
  return std::nullopt;
}

std::optional<Rect> Object::axRect() const {
  if (const auto* box = extractable(impl_, AXValueType::CGRect)) return box->rect;
  return std::nullopt;
}

std::optional<Range> Object::axRange() const {
  if (const auto* box = extractable(impl_, AXValueType::CFRange)) return box->range;
  return std::nullopt;
}

bool Object::operator==(const Object& other) const {
  if (impl_ == other.impl_) return true;
  if (!impl_ || !other.impl_) return false;
  return samePayload(impl_->payload, other.impl_->payload);
}

std::size_t Object::hash() const {
  if (!impl_) return 0;
  const std::size_t seed = impl_->payload.index() + 1;
  return std::visit(
      [seed](const auto& payload) -> std::size_t {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return hashCombine(seed, std::hash<std::string>{}(payload));
        } else if constexpr (std::is_same_v<T, double>) {
          return hashCombine(seed, hashNumber(payload));
        } else if constexpr (std::is_same_v<T, bool>) {
          return hashCombine(seed, payload ? 1 : 2);
        } else if constexpr (std::is_same_v<T, std::vector<Object>>) {
          std::size_t h = seed;
          for (const auto& item : payload) h = hashCombine(h, item.hash());
          return h;
        } else if constexpr (std::is_same_v<T, AXValueBox>) {
          return hashCombine(seed, hashBox(payload));
        } else if constexpr (std::is_same_v<T, AttributedStringValue>) {
          return hashCombine(seed, std::hash<std::string>{}(payload.text));
        } else if constexpr (std::is_same_v<T, OtherValue>) {
          return hashCombine(seed, std::hash<std::string>{}(payload.description));
        } else if constexpr (std::is_same_v<T, std::shared_ptr<ElementNode>>) {
          return hashCombine(seed, std::hash<const void*>{}(payload.get()));
        } else if constexpr (std::is_same_v<T, TextMarkerValue>) {
          // The element may be gone while markers to it still compare equal: hash the offset.
          return hashCombine(seed, std::hash<std::int64_t>{}(payload.offset));
        } else {
          return hashCombine(hashCombine(seed, payload.start.hash()), payload.end.hash());
        }
      },
      impl_->payload);
}

Object Object::makeString(std::string_view utf8) {
  return sim::makeString(std::string(utf8));
}

Object Object::makeNumber(double value) {
  return sim::makeNumber(value);
}

Object Object::makeBoolean(bool value) {
  return sim::makeBoolean(value);
}

// The simulated platform never refuses to wrap a range.
Object Object::makeRange(Range range) {
  return sim::makeRangeValue(range);
}

}  // namespace axb::platform
