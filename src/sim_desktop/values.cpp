#include "sim_desktop/values.h"

#include <utility>

namespace axb::sim {
namespace {

ObjectWrapping& wrapping() {
  static ObjectWrapping current;
  return current;
}

template <typename T, typename... Args>
platform::Object makeObject(Args&&... args) {
  return wrapping().wrap(ValuePayload(std::in_place_type<T>, std::forward<Args>(args)...));
}

platform::Object makeBox(AXValueBox box) {
  return makeObject<AXValueBox>(std::move(box));
}

}  // namespace

void setObjectWrapping(const ObjectWrapping& newWrapping) {
  wrapping() = newWrapping;
}

const ValuePayload* payloadOf(const platform::Object& object) {
  return wrapping().payload(object);
}

platform::Object makeString(std::string text) {
  return makeObject<std::string>(std::move(text));
}

platform::Object makeNumber(double number) {
  return makeObject<double>(number);
}

platform::Object makeBoolean(bool value) {
  return makeObject<bool>(value);
}

platform::Object makeArray(std::vector<platform::Object> items) {
  return makeObject<std::vector<platform::Object>>(std::move(items));
}

platform::Object makeAttributedString(std::string text) {
  return makeObject<AttributedStringValue>(AttributedStringValue{std::move(text)});
}

platform::Object makePointValue(Point point) {
  AXValueBox box;
  box.type = platform::AXValueType::CGPoint;
  box.point = point;
  return makeBox(box);
}

platform::Object makeSizeValue(Size size) {
  AXValueBox box;
  box.type = platform::AXValueType::CGSize;
  box.size = size;
  return makeBox(box);
}

platform::Object makeRectValue(Rect rect) {
  AXValueBox box;
  box.type = platform::AXValueType::CGRect;
  box.rect = rect;
  return makeBox(box);
}

platform::Object makeRangeValue(Range range) {
  AXValueBox box;
  box.type = platform::AXValueType::CFRange;
  box.range = range;
  return makeBox(box);
}

platform::Object makeErrorValue(std::int32_t error) {
  AXValueBox box;
  box.type = platform::AXValueType::AXError;
  box.error = error;
  return makeBox(box);
}

platform::Object makeUnextractableValue(platform::AXValueType type) {
  AXValueBox box;
  box.type = type;
  box.extractable = false;
  return makeBox(box);
}

platform::Object makeOther(std::string description) {
  return makeObject<OtherValue>(OtherValue{std::move(description)});
}

platform::Object makeElementObject(std::shared_ptr<ElementNode> node) {
  return makeObject<std::shared_ptr<ElementNode>>(std::move(node));
}

platform::Object makeTextMarker(const std::shared_ptr<ElementNode>& node, std::int64_t offset) {
  return makeObject<TextMarkerValue>(TextMarkerValue{node, offset});
}

platform::Object makeTextMarkerRange(platform::Object start, platform::Object end) {
  return makeObject<TextMarkerRangeValue>(TextMarkerRangeValue{std::move(start), std::move(end)});
}

}  // namespace axb::sim
