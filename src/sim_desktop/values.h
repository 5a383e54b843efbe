// The simulated desktop's platform objects. Object::Impl is defined here so that the simulated
// desktop, its scenario loader and the tests can build every kind of value the real platform
// hands out, including the ones the library does not recognise.
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

}  // namespace axb::sim

namespace axb::platform {

struct Object::Impl {
  using Payload = std::variant<std::string, double, bool, std::vector<Object>, sim::AXValueBox,
                               sim::AttributedStringValue, std::shared_ptr<sim::ElementNode>,
                               sim::TextMarkerValue, sim::TextMarkerRangeValue, sim::OtherValue>;
  Payload payload;
};

}  // namespace axb::platform

namespace axb::sim {

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
