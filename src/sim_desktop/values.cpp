#include "sim_desktop/values.h"

#include <string_view>
#include <utility>

namespace axb::sim {
namespace {

template <typename T, typename... Args>
platform::Object makeObject(Args&&... args) {
  return platform::Object(std::make_shared<const platform::Object::Impl>(platform::Object::Impl{
      platform::Object::Impl::Payload(std::in_place_type<T>, std::forward<Args>(args)...)}));
}

platform::Object makeBox(AXValueBox box) {
  return makeObject<AXValueBox>(std::move(box));
}

}  // namespace

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

namespace axb::platform {

Object Object::makeString(std::string_view utf8) {
  return sim::makeObject<std::string>(std::string(utf8));
}

Object Object::makeNumber(double value) {
  return sim::makeObject<double>(value);
}

Object Object::makeBoolean(bool value) {
  return sim::makeObject<bool>(value);
}

// The simulated platform never refuses to wrap a range.
Object Object::makeRange(Range range) {
  return sim::makeRangeValue(range);
}

}  // namespace axb::platform
