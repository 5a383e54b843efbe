// Attribute values written in a scenario: plain JSON values, typed objects for the platform's
// wrapped values ({"rect": [...]}, {"element": "id"}, ...) and attribute overrides
// ({"error": code}, {"value": ..., "settable": false}).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/object.h"
#include "sim_host/scenario_json.h"

namespace axb::sim {
class Desktop;
}

namespace axb::sim::scenario {

// A decoded value, independent of any desktop. Element references are kept by id and resolved
// when the value is built, since the element may not exist yet while the scenario is read.
struct ValueSpec {
  enum class Kind {
    String,
    Number,
    Boolean,
    Array,
    Point,
    Size,
    Rect,
    Range,
    AXError,
    Element,
    AttributedString,
    MarkerRange,
    Other,
    Unextractable,
  };
  Kind kind = Kind::String;
  std::string text;  // String, AttributedString, Other; the element id of Element, MarkerRange
  double number = 0;
  bool boolean = false;
  std::vector<ValueSpec> items;
  Rect rect;    // Point (x, y), Size (width, height), Rect
  Range range;  // Range
  std::int64_t markerStart = 0;
  std::int64_t markerEnd = 0;
  std::int32_t errorCode = 0;                                        // AXError
  platform::AXValueType valueType = platform::AXValueType::Illegal;  // Unextractable
};

// An element id a value refers to, with the path of the reference for messages.
struct ElementReference {
  std::string id;
  std::string path;
};

// What an attribute answers in place of what the element derives: a value (optionally with its
// settability), a settability alone, or an error code.
struct AttributeAnswer {
  std::optional<ValueSpec> value;
  std::optional<bool> settable;
  std::optional<platform::AXErrorCode> error;
};

using AttributeAnswers = std::vector<std::pair<std::string, AttributeAnswer>>;

// Decodes a value. Element ids it names are appended to references for the caller to check.
ValueSpec decodeValue(const Node& node, std::vector<ElementReference>& references);

// Decodes an attribute's answer: an override object or a plain value. Parameterised attributes
// have no settability, so allowSettable is false for them.
AttributeAnswer decodeAnswer(const Node& node, bool allowSettable,
                             std::vector<ElementReference>& references);

// Decodes {"attribute name": answer, ...}.
AttributeAnswers decodeAnswers(const Node& node, bool allowSettable,
                               std::vector<ElementReference>& references);

// Builds the platform object. Throws ScenarioError when a referenced element does not exist.
platform::Object buildValue(const ValueSpec& spec, const Desktop& desktop);

// Installs overrides on an element (by desktop element id).
void applyAnswer(Desktop& desktop, const std::string& elementId, const std::string& attribute,
                 const AttributeAnswer& answer);
void applyParameterizedAnswer(Desktop& desktop, const std::string& elementId,
                              const std::string& attribute, const AttributeAnswer& answer);

}  // namespace axb::sim::scenario
