#include "sim_host/scenario_values.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <string_view>
#include <variant>

#include "sim_desktop/desktop.h"
#include "sim_desktop/values.h"

namespace axb::sim::scenario {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMaxMarkerOffset = std::numeric_limits<std::int32_t>::max();

bool isOverrideKey(std::string_view key) {
  return key == "error" || key == "value" || key == "settable";
}

std::vector<double> numbers(const Node& node, std::size_t count, std::string_view shape) {
  std::vector<double> result;
  for (const Node& item : node.tuple(count, shape))
    result.push_back(item.number(-kLargest, kLargest));
  return result;
}

platform::AXValueType valueTypeNamed(const Node& node) {
  const std::string name = node.string();
  if (name == "point") return platform::AXValueType::CGPoint;
  if (name == "size") return platform::AXValueType::CGSize;
  if (name == "rect") return platform::AXValueType::CGRect;
  if (name == "range") return platform::AXValueType::CFRange;
  if (name == "axerror") return platform::AXValueType::AXError;
  node.fail("must be \"point\", \"size\", \"rect\", \"range\" or \"axerror\", not \"" + name +
            "\"");
}

ValueSpec decodeTyped(const Node& node, std::vector<ElementReference>& references) {
  const Fields fields(node, {"point", "size", "rect", "range", "axerror", "element", "attributed",
                             "marker_range", "other", "unextractable"});
  std::size_t count = 0;
  for (const auto& [key, value] : node.json().items()) count += key == "comment" ? 0 : 1;
  if (count != 1) node.fail("a typed value has exactly one key, such as {\"rect\": [x, y, w, h]}");

  ValueSpec spec;
  if (auto point = fields.optional("point")) {
    const auto xy = numbers(*point, 2, "[x, y]");
    spec.kind = ValueSpec::Kind::Point;
    spec.rect = Rect{xy[0], xy[1], 0, 0};
  } else if (auto size = fields.optional("size")) {
    const auto wh = numbers(*size, 2, "[width, height]");
    spec.kind = ValueSpec::Kind::Size;
    spec.rect = Rect{0, 0, wh[0], wh[1]};
  } else if (auto rect = fields.optional("rect")) {
    const auto r = numbers(*rect, 4, "[x, y, width, height]");
    spec.kind = ValueSpec::Kind::Rect;
    spec.rect = Rect{r[0], r[1], r[2], r[3]};
  } else if (auto range = fields.optional("range")) {
    const auto parts = range->tuple(2, "[location, length]");
    spec.kind = ValueSpec::Kind::Range;
    spec.range =
        Range{parts[0].integer(kInt64Min, kInt64Max), parts[1].integer(kInt64Min, kInt64Max)};
  } else if (auto error = fields.optional("axerror")) {
    spec.kind = ValueSpec::Kind::AXError;
    spec.errorCode = error->errorCode(/*allowSuccess=*/true);
  } else if (auto element = fields.optional("element")) {
    spec.kind = ValueSpec::Kind::Element;
    spec.text = element->name();
    references.push_back({spec.text, element->path()});
  } else if (auto attributed = fields.optional("attributed")) {
    spec.kind = ValueSpec::Kind::AttributedString;
    spec.text = attributed->string();
  } else if (auto markers = fields.optional("marker_range")) {
    const auto parts = markers->tuple(3, "[element id, start, end]");
    spec.kind = ValueSpec::Kind::MarkerRange;
    spec.text = parts[0].name();
    spec.markerStart = parts[1].integer(0, kMaxMarkerOffset);
    spec.markerEnd = parts[2].integer(0, kMaxMarkerOffset);
    references.push_back({spec.text, parts[0].path()});
  } else if (auto other = fields.optional("other")) {
    spec.kind = ValueSpec::Kind::Other;
    spec.text = other->string();
  } else {
    spec.kind = ValueSpec::Kind::Unextractable;
    spec.valueType = valueTypeNamed(fields.required("unextractable"));
  }
  return spec;
}

std::shared_ptr<ElementNode> requireNode(const Desktop& desktop, const std::string& id) {
  if (!desktop.hasElement(id)) throw ScenarioError("element \"" + id + "\" does not exist");
  const platform::Element element = desktop.element(id);
  const auto* node = payloadAs<std::shared_ptr<ElementNode>>(element.object());
  if (!node || !*node) throw ScenarioError("element \"" + id + "\" has no node on the desktop");
  return *node;
}

}  // namespace

ValueSpec decodeValue(const Node& node, std::vector<ElementReference>& references) {
  const Json& json = node.json();
  ValueSpec spec;
  switch (json.type()) {
    case Json::value_t::string:
      spec.kind = ValueSpec::Kind::String;
      spec.text = node.string();
      return spec;
    case Json::value_t::boolean:
      spec.kind = ValueSpec::Kind::Boolean;
      spec.boolean = node.boolean();
      return spec;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
      spec.kind = ValueSpec::Kind::Number;
      spec.number = node.number(-kLargest, kLargest);
      return spec;
    case Json::value_t::array:
      spec.kind = ValueSpec::Kind::Array;
      for (const Node& item : node.items()) spec.items.push_back(decodeValue(item, references));
      return spec;
    case Json::value_t::object:
      for (const auto& [key, value] : json.items()) {
        if (isOverrideKey(key)) {
          node.fail("an attribute override ({\"" + key +
                    "\": ...}) stands for a whole attribute, not for a value inside one");
        }
      }
      return decodeTyped(node, references);
    case Json::value_t::null:
      node.fail("null is not a value; an attribute without a value is {\"error\": -25212}");
    default:
      node.fail(std::string("unsupported value: ") + describeType(json));
  }
}

AttributeAnswer decodeAnswer(const Node& node, bool allowSettable,
                             std::vector<ElementReference>& references) {
  AttributeAnswer answer;
  bool isOverride = false;
  if (node.json().is_object()) {
    for (const auto& [key, value] : node.json().items())
      isOverride = isOverride || isOverrideKey(key);
  }
  if (!isOverride) {
    answer.value = decodeValue(node, references);
    return answer;
  }
  const Fields fields = allowSettable ? Fields(node, {"error", "value", "settable"})
                                      : Fields(node, {"error", "value"});
  fields.atMostOneOf({"error", "value"});
  fields.atMostOneOf({"error", "settable"});
  if (auto error = fields.optional("error"))
    answer.error = error->errorCode(/*allowSuccess=*/false);
  if (auto value = fields.optional("value")) answer.value = decodeValue(*value, references);
  if (auto settable = fields.optional("settable")) answer.settable = settable->boolean();
  return answer;
}

AttributeAnswers decodeAnswers(const Node& node, bool allowSettable,
                               std::vector<ElementReference>& references) {
  if (!node.json().is_object()) {
    node.fail(std::string("must be an object of attribute names, not ") +
              describeType(node.json()));
  }
  if (node.json().size() > kMaxListLength) {
    node.fail("has more than " + std::to_string(kMaxListLength) + " attributes");
  }
  AttributeAnswers answers;
  for (const auto& [name, value] : node.json().items()) {
    const Node child = node.child(name, value);
    if (name.empty() || name.size() > kMaxNameBytes) {
      child.fail("an attribute name must have 1 to " + std::to_string(kMaxNameBytes) + " bytes");
    }
    answers.emplace_back(name, decodeAnswer(child, allowSettable, references));
  }
  return answers;
}

platform::Object buildValue(const ValueSpec& spec, const Desktop& desktop) {
  using Kind = ValueSpec::Kind;
  switch (spec.kind) {
    case Kind::String:
      return platform::Object::makeString(spec.text);
    case Kind::Number:
      return platform::Object::makeNumber(spec.number);
    case Kind::Boolean:
      return platform::Object::makeBoolean(spec.boolean);
    case Kind::Array: {
      std::vector<platform::Object> items;
      items.reserve(spec.items.size());
      for (const ValueSpec& item : spec.items) items.push_back(buildValue(item, desktop));
      return makeArray(std::move(items));
    }
    case Kind::Point:
      return makePointValue(Point{spec.rect.x, spec.rect.y});
    case Kind::Size:
      return makeSizeValue(Size{spec.rect.width, spec.rect.height});
    case Kind::Rect:
      return makeRectValue(spec.rect);
    case Kind::Range:
      return makeRangeValue(spec.range);
    case Kind::AXError:
      return makeErrorValue(spec.errorCode);
    case Kind::Element:
      requireNode(desktop, spec.text);
      return desktop.element(spec.text).object();
    case Kind::AttributedString:
      return makeAttributedString(spec.text);
    case Kind::MarkerRange: {
      const auto node = requireNode(desktop, spec.text);
      return makeTextMarkerRange(makeTextMarker(node, spec.markerStart),
                                 makeTextMarker(node, spec.markerEnd));
    }
    case Kind::Other:
      return makeOther(spec.text);
    case Kind::Unextractable:
      return makeUnextractableValue(spec.valueType);
  }
  throw ScenarioError("unknown kind of value");
}

void applyAnswer(Desktop& desktop, const std::string& elementId, const std::string& attribute,
                 const AttributeAnswer& answer) {
  if (answer.error) {
    desktop.setAttributeError(elementId, attribute, *answer.error);
  } else if (answer.value) {
    desktop.setAttribute(elementId, attribute, buildValue(*answer.value, desktop), answer.settable);
  } else if (answer.settable) {
    desktop.setSettable(elementId, attribute, *answer.settable);
  }
}

void applyParameterizedAnswer(Desktop& desktop, const std::string& elementId,
                              const std::string& attribute, const AttributeAnswer& answer) {
  if (answer.error) {
    desktop.setParameterizedAttributeError(elementId, attribute, *answer.error);
  } else if (answer.value) {
    desktop.setParameterizedAttribute(elementId, attribute, buildValue(*answer.value, desktop));
  }
}

}  // namespace axb::sim::scenario
