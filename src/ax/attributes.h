// Typed reading and writing of element attributes. Every platform failure becomes an empty
// result (and, for most error codes, a diagnostic line); nothing is thrown.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ax/values.h"
#include "platform/object.h"

namespace axb::ax {

// The kinds a caller may ask for: TextMarkerRange, TextMarker, Element, std::string,
// std::int64_t (a whole number), Point, Rect, Range.
template <typename T>
concept AttributeKind = std::same_as<T, TextMarkerRange> || std::same_as<T, TextMarker> ||
    std::same_as<T, Element> || std::same_as<T, std::string> || std::same_as<T, std::int64_t> ||
    std::same_as<T, Point> || std::same_as<T, Rect> || std::same_as<T, Range>;

// Converts a raw platform value to the requested kind; nothing when it is of another kind.
// Prints "Unexpected type" for a value of no recognised kind.
template <AttributeKind T>
std::optional<T> axValueToNative(const platform::Object& axValue);

template <AttributeKind T>
std::optional<T> getAttributeValue(const Element& ref, std::string_view attr);

template <AttributeKind T>
std::optional<T> getParameterizedAttributeValue(const Element& ref, std::string_view attr,
                                                const platform::Object& parameter);

bool isAttributeSettable(const Element& ref, std::string_view attr);

// Writes only when the attribute is settable; the outcome is not reported.
void setAttributeValue(const Element& ref, std::string_view attr, const platform::Object& value);

// The element's attribute names, or nothing when the request fails; the tracker never asks.
std::optional<std::vector<std::string>> getAttributes(const Element& ref);

}  // namespace axb::ax
