// The values simulated applications hand out: strings, numbers, arrays, wrapped geometry,
// elements, text markers, and kinds the library does not recognise. The simulated binding wraps
// each in a platform object (its Object::Impl holds a ValuePayload); the desktop makes and reads
// them through the wrapping the binding sets, so that it does not depend on the binding.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/object.h"

namespace axb::sim {

class ElementNode;

struct TextMarkerValue {
  std::weak_ptr<ElementNode> element;
  std::int64_t offset = 0;  // UTF-16 units from the start of the element's text
};

struct TextMarkerRangeValue {
  platform::Object start;  // TextMarker objects
  platform::Object end;
};

struct AXValueBox {
  platform::AXValueType type = platform::AXValueType::Illegal;
  Point point;
  Size size;
  Rect rect;
  Range range;
  std::int32_t error = 0;
  bool extractable = true;  // false models an AXValue whose extraction fails
};

struct AttributedStringValue {
  std::string text;
};

struct OtherValue {
  std::string description;
};

using ValuePayload = std::variant<std::string, double, bool, std::vector<platform::Object>,
                                  AXValueBox, AttributedStringValue, std::shared_ptr<ElementNode>,
                                  TextMarkerValue, TextMarkerRangeValue, OtherValue>;

// How the binding puts a payload in a platform object, and finds the payload in one (null for an
// empty object). The binding sets it once, as it loads, before any value is made.
struct ObjectWrapping {
  platform::Object (*wrap)(ValuePayload payload) = nullptr;
  const ValuePayload* (*payload)(const platform::Object& object) = nullptr;
};
void setObjectWrapping(const ObjectWrapping& wrapping);

// The payload inside the object, which keeps it: valid while the object (or a copy) lives.
const ValuePayload* payloadOf(const platform::Object& object);
// The object's payload when it holds a T, else null.
template <typename T>
const T* payloadAs(const platform::Object& object) {
  const ValuePayload* payload = payloadOf(object);
  return payload ? std::get_if<T>(payload) : nullptr;
}

platform::Object makeString(std::string text);
platform::Object makeNumber(double number);
platform::Object makeBoolean(bool value);
platform::Object makeArray(std::vector<platform::Object> items);
platform::Object makeAttributedString(std::string text);
platform::Object makePointValue(Point point);
platform::Object makeSizeValue(Size size);
platform::Object makeRectValue(Rect rect);
platform::Object makeRangeValue(Range range);
platform::Object makeErrorValue(std::int32_t error);
// An AXValue of the given type whose extraction fails.
platform::Object makeUnextractableValue(platform::AXValueType type);
platform::Object makeOther(std::string description);
platform::Object makeElementObject(std::shared_ptr<ElementNode> node);
platform::Object makeTextMarker(const std::shared_ptr<ElementNode>& node, std::int64_t offset);
platform::Object makeTextMarkerRange(platform::Object start, platform::Object end);

}  // namespace axb::sim
