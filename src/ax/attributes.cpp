#include "ax/attributes.h"

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <variant>

#include "ax/request_run.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"

namespace axb::ax {
namespace {

using platform::AXValueType;
using platform::ValueKind;

// What a raw value turned out to be: nothing, or exactly one recognised kind. Numbers stay
// numbers until a caller asks for an integer.
using Converted = std::variant<std::monostate, TextMarkerRange, TextMarker, Element, std::string,
                               double, Point, Rect, Range>;

Converted convert(const platform::Object& raw) {
  Converted result;
  switch (raw.kind()) {
    case ValueKind::TextMarkerRange:
      result = TextMarkerRange{raw};
      break;
    case ValueKind::TextMarker:
      result = TextMarker{raw};
      break;
    case ValueKind::Element:
      if (auto element = Element::from(raw)) result = *element;
      break;
    case ValueKind::String:
      if (auto text = raw.string()) result = *text;
      break;
    case ValueKind::Number:
      if (auto number = raw.number()) result = *number;
      break;
    default:
      break;
  }
  switch (raw.axValueType()) {
    case AXValueType::CGPoint:
      if (auto point = raw.axPoint()) result = *point;
      break;
    case AXValueType::CGRect:
      if (auto rect = raw.axRect()) result = *rect;
      break;
    case AXValueType::CFRange:
      if (auto range = raw.axRange()) result = *range;
      break;
    default:
      if (std::holds_alternative<std::monostate>(result)) {
        platform::writeDiagnosticLine("Unexpected type");
      }
      break;
  }
  return result;
}

std::optional<std::int64_t> wholeNumber(double number) {
  // Only whole numbers that an int64 can hold exactly.
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!std::isfinite(number) || std::trunc(number) != number) return std::nullopt;
  if (number < -kLimit || number >= kLimit) return std::nullopt;
  return static_cast<std::int64_t>(number);
}

// Numbers from another application are untrusted: geometry that is not finite and ranges that
// run backwards or past what a signed 64-bit offset can hold are no value at all.
bool plausible(const Point& point) {
  return std::isfinite(point.x) && std::isfinite(point.y);
}
bool plausible(const Rect& rect) {
  return std::isfinite(rect.x) && std::isfinite(rect.y) && std::isfinite(rect.width) &&
         std::isfinite(rect.height);
}
bool plausible(const Range& range) {
  return range.location >= 0 && range.length >= 0 &&
         range.location <= std::numeric_limits<std::int64_t>::max() - range.length;
}
template <typename T>
bool plausible(const T&) {
  return true;
}

template <AttributeKind T>
std::optional<T> deliver(Converted&& converted) {
  if constexpr (std::same_as<T, std::int64_t>) {
    if (const double* number = std::get_if<double>(&converted)) return wholeNumber(*number);
    return std::nullopt;
  } else {
    if (T* value = std::get_if<T>(&converted); value && !plausible(*value)) return std::nullopt;
    if (T* value = std::get_if<T>(&converted)) return std::move(*value);
    return std::nullopt;
  }
}

// Asks the element's application, unless it already failed to answer in this run.
template <typename Request>
auto ask(const Element& ref, Request&& request) -> std::optional<decltype(request())> {
  if (RequestRun::skips(ref)) return std::nullopt;
  auto result = request();
  RequestRun::note(ref, result.error);
  return result;
}

template <AttributeKind T>
std::optional<T> answer(const std::optional<platform::CopyResult>& asked) {
  if (!asked) return std::nullopt;
  const platform::CopyResult& copied = *asked;
  switch (copied.error) {
    case platform::axerr::kSuccess:
      return axValueToNative<T>(copied.value);
    case platform::axerr::kNoValue:
      return std::nullopt;
    case platform::axerr::kNotImplemented:
      platform::writeDiagnosticLine(std::to_string(copied.error) + " Attribute not implemented");
      return std::nullopt;
    default:
      platform::writeDiagnosticLine(std::to_string(copied.error) + " Error retrieving attribute");
      return std::nullopt;
  }
}

}  // namespace

template <AttributeKind T>
std::optional<T> axValueToNative(const platform::Object& axValue) {
  return deliver<T>(convert(axValue));
}

template <AttributeKind T>
std::optional<T> getAttributeValue(const Element& ref, std::string_view attr) {
  return answer<T>(ask(ref, [&] { return platform::copyAttributeValue(ref, attr); }));
}

template <AttributeKind T>
std::optional<T> getParameterizedAttributeValue(const Element& ref, std::string_view attr,
                                                const platform::Object& parameter) {
  return answer<T>(
      ask(ref, [&] { return platform::copyParameterizedAttributeValue(ref, attr, parameter); }));
}

bool isAttributeSettable(const Element& ref, std::string_view attr) {
  const auto result = ask(ref, [&] { return platform::isAttributeSettable(ref, attr); });
  return result && result->error == platform::axerr::kSuccess && result->settable;
}

void setAttributeValue(const Element& ref, std::string_view attr, const platform::Object& value) {
  if (!ax::isAttributeSettable(ref, attr)) return;
  struct Written {
    platform::AXErrorCode error;
  };
  ask(ref, [&] { return Written{platform::setAttributeValue(ref, attr, value)}; });
}

std::optional<std::vector<std::string>> getAttributes(const Element& ref) {
  const auto asked = ask(ref, [&] { return platform::copyAttributeNames(ref); });
  if (!asked) return std::nullopt;
  const platform::CopyResult& copied = *asked;
  if (copied.error != platform::axerr::kSuccess) {
    platform::writeDiagnosticLine(std::to_string(copied.error) +
                                  " Error retrieving attribute list");
    return std::nullopt;
  }
  const auto entries = copied.value.array();
  if (!entries) return std::nullopt;
  std::vector<std::string> names;
  names.reserve(entries->size());
  for (const platform::Object& entry : *entries) {
    auto name = entry.string();
    if (!name) return std::nullopt;
    names.push_back(std::move(*name));
  }
  return names;
}

#define AXB_INSTANTIATE_ATTRIBUTE_KIND(T)                                                       \
  template std::optional<T> axValueToNative<T>(const platform::Object&);                        \
  template std::optional<T> getAttributeValue<T>(const Element&, std::string_view);             \
  template std::optional<T> getParameterizedAttributeValue<T>(const Element&, std::string_view, \
                                                              const platform::Object&);
AXB_INSTANTIATE_ATTRIBUTE_KIND(TextMarkerRange)
AXB_INSTANTIATE_ATTRIBUTE_KIND(TextMarker)
AXB_INSTANTIATE_ATTRIBUTE_KIND(Element)
AXB_INSTANTIATE_ATTRIBUTE_KIND(std::string)
AXB_INSTANTIATE_ATTRIBUTE_KIND(std::int64_t)
AXB_INSTANTIATE_ATTRIBUTE_KIND(Point)
AXB_INSTANTIATE_ATTRIBUTE_KIND(Rect)
AXB_INSTANTIATE_ATTRIBUTE_KIND(Range)
#undef AXB_INSTANTIATE_ATTRIBUTE_KIND

}  // namespace axb::ax
