#include "sim_desktop/element_attributes.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <utility>
#include <variant>

#include "platform/vocabulary.h"
#include "sim_desktop/desktop_text.h"
#include "sim_desktop/values.h"

namespace axb::sim {
namespace {

namespace axerr = platform::axerr;
using platform::AXErrorCode;
using platform::CopyResult;
using platform::Object;

// Every attribute a simulated element may derive, in the order they are listed.
constexpr std::string_view kDerivedAttributes[] = {
    platform::attributes::kRole,
    platform::attributes::kSubrole,
    platform::attributes::kTitle,
    platform::attributes::kWindow,
    platform::attributes::kPosition,
    platform::attributes::kSize,
    platform::attributes::kFrame,
    platform::attributes::kFocused,
    platform::attributes::kFocusedUIElement,
    platform::attributes::kFocusedWindow,
    platform::attributes::kWindows,
    platform::attributes::kFrontmost,
    platform::attributes::kEnhancedUserInterface,
    platform::attributes::kValue,
    platform::attributes::kSelectedText,
    platform::attributes::kSelectedTextRange,
    platform::attributes::kNumberOfCharacters,
    platform::attributes::kVisibleCharacterRange,
    platform::attributes::kSelectedTextMarkerRange,
};

CopyResult value(Object object) {
  return {axerr::kSuccess, std::move(object)};
}
CopyResult failure(AXErrorCode code) {
  return {code, Object()};
}

// The range an AXValue of type CFRange holds, when it can be extracted.
std::optional<Range> rangeIn(const Object& object) {
  const auto* box = payloadAs<AXValueBox>(object);
  if (!box || box->type != platform::AXValueType::CFRange || !box->extractable) return std::nullopt;
  return box->range;
}

bool hasRanges(const ElementNode& node) {
  return node.spec.text == TextKind::Native || node.spec.text == TextKind::Web;
}
bool hasMarkers(const ElementNode& node) {
  return node.spec.text == TextKind::Web || node.spec.text == TextKind::Markers;
}
// Secure fields keep their text to themselves.
bool isSecure(const ElementNode& node) {
  return node.spec.subrole == platform::subroles::kSecureTextField;
}

std::optional<CopyResult> deriveApplication(const Desktop::State& state,
                                            const std::shared_ptr<ElementNode>& node,
                                            std::string_view name) {
  const auto app = state.findApp(node->pid);
  if (!app || app->appNode != node) return std::nullopt;
  if (name == platform::attributes::kFocusedUIElement) {
    if (!app->focused || app->focused->destroyed) return failure(axerr::kNoValue);
    return value(elementOf(app->focused).object());
  }
  if (name == platform::attributes::kFocusedWindow) {
    const auto& focused = app->focused;
    if (!focused || focused->destroyed) return failure(axerr::kNoValue);
    if (focused->spec.role == platform::roles::kWindow) return value(elementOf(focused).object());
    const auto window = focused->spec.window ? state.findElement(*focused->spec.window) : nullptr;
    if (!window) return failure(axerr::kNoValue);
    return value(elementOf(window).object());
  }
  if (name == platform::attributes::kWindows) {
    std::vector<Object> windows;
    for (const auto& element : app->elements) {
      if (!element->destroyed && element->spec.role == platform::roles::kWindow) {
        windows.push_back(elementOf(element).object());
      }
    }
    return value(makeArray(std::move(windows)));
  }
  if (name == platform::attributes::kFrontmost)
    return value(makeBoolean(state.frontmost == node->pid));
  if (name == platform::attributes::kEnhancedUserInterface) {
    return value(makeBoolean(app->enhancedUserInterface));
  }
  return std::nullopt;
}

std::optional<CopyResult> deriveText(const std::shared_ptr<ElementNode>& node,
                                     std::string_view name) {
  const auto& spec = node->spec;
  if (hasRanges(*node)) {
    if (name == platform::attributes::kValue) {
      return isSecure(*node) ? failure(axerr::kNoValue) : value(makeString(spec.value));
    }
    if (name == platform::attributes::kSelectedTextRange)
      return value(makeRangeValue(spec.selection));
    if (name == platform::attributes::kNumberOfCharacters) {
      return value(makeNumber(static_cast<double>(textLength(spec.value))));
    }
    if (name == platform::attributes::kVisibleCharacterRange) {
      return value(makeRangeValue({0, textLength(spec.value)}));
    }
  }
  if (hasRanges(*node) || hasMarkers(*node)) {
    if (name == platform::attributes::kSelectedText) {
      if (isSecure(*node)) return failure(axerr::kNoValue);
      return value(makeString(substringUtf16(spec.value, spec.selection)));
    }
  }
  if (hasMarkers(*node) && name == platform::attributes::kSelectedTextMarkerRange) {
    const auto& selection = spec.selection;
    return value(
        sim::makeTextMarkerRange(makeTextMarker(node, selection.location),
                                 makeTextMarker(node, selection.location + selection.length)));
  }
  return std::nullopt;
}

std::optional<CopyResult> derive(const Desktop::State& state,
                                 const std::shared_ptr<ElementNode>& node, std::string_view name) {
  const auto& spec = node->spec;
  const auto optionalString = [](const std::optional<std::string>& text) {
    return text ? std::optional(value(makeString(*text))) : std::nullopt;
  };
  if (name == platform::attributes::kRole) return optionalString(spec.role);
  if (name == platform::attributes::kSubrole) return optionalString(spec.subrole);
  if (name == platform::attributes::kTitle) return optionalString(spec.title);
  if (node->application) return deriveApplication(state, node, name);

  if (name == platform::attributes::kWindow) {
    if (!spec.window) return std::nullopt;
    const auto window = state.findElement(*spec.window);
    return window ? value(elementOf(window).object()) : failure(axerr::kNoValue);
  }
  if (name == platform::attributes::kPosition)
    return value(makePointValue({spec.frame.x, spec.frame.y}));
  if (name == platform::attributes::kSize)
    return value(makeSizeValue({spec.frame.width, spec.frame.height}));
  if (name == platform::attributes::kFrame) return value(makeRectValue(spec.frame));
  if (name == platform::attributes::kFocused) {
    const auto app = state.liveApp(node->pid);
    return value(makeBoolean(app && app->focused == node));
  }
  return deriveText(node, name);
}

bool derivedSettable(const std::shared_ptr<ElementNode>& node, std::string_view name) {
  if (node->application) return name == platform::attributes::kEnhancedUserInterface;
  if (name == platform::attributes::kValue) return hasRanges(*node) && node->spec.editable;
  if (name == platform::attributes::kSelectedTextRange) return hasRanges(*node);
  return false;
}

// Applies a write to the element's own state; nothing when the attribute has no setter.
std::optional<AXErrorCode> writeDerived(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                                        std::string_view name, const Object& newValue) {
  if (name == platform::attributes::kValue) {
    const auto* text = payloadAs<std::string>(newValue);
    if (!text) return axerr::kIllegalArgument;
    replaceWholeText(desktop, node, *text);
    return axerr::kSuccess;
  }
  if (name == platform::attributes::kSelectedTextRange) {
    const auto range = rangeIn(newValue);
    if (!range) return axerr::kIllegalArgument;
    changeSelection(desktop, node, *range);
    return axerr::kSuccess;
  }
  if (name == platform::attributes::kEnhancedUserInterface) {
    const auto* flag = payloadAs<bool>(newValue);
    const auto app = desktop.state().findApp(node->pid);
    if (!flag || !app) return axerr::kIllegalArgument;
    app->enhancedUserInterface = *flag;
    return axerr::kSuccess;
  }
  return std::nullopt;
}

// ---- Parameterised attributes

struct MarkerSpan {
  std::int64_t start = 0;
  std::int64_t end = 0;  // may come before start: the range runs backwards
};

// Marker ranges are only understood by the element their markers belong to.
std::optional<MarkerSpan> markerSpan(const std::shared_ptr<ElementNode>& node,
                                     const Object& parameter) {
  const auto* range = payloadAs<TextMarkerRangeValue>(parameter);
  if (!range) return std::nullopt;
  const auto offsetOf = [&node](const Object& marker) -> std::optional<std::int64_t> {
    const auto* value = payloadAs<TextMarkerValue>(marker);
    if (!value || value->element.lock() != node) return std::nullopt;
    return clampRange(node->spec.value, {value->offset, 0}).location;
  };
  const auto start = offsetOf(range->start);
  const auto end = offsetOf(range->end);
  if (!start || !end) return std::nullopt;
  return MarkerSpan{*start, *end};
}

std::optional<CopyResult> deriveParameterized(const std::shared_ptr<ElementNode>& node,
                                              std::string_view name, const Object& parameter) {
  const auto& spec = node->spec;
  if (hasRanges(*node) && (name == platform::parameterized::kStringForRange ||
                           name == platform::parameterized::kBoundsForRange)) {
    const auto range = rangeIn(parameter);
    if (!range || !rangeWithin(spec.value, *range)) return failure(axerr::kIllegalArgument);
    if (name == platform::parameterized::kBoundsForRange) {
      return value(makeRectValue(boundsForRange(spec.value, *range, spec.frame)));
    }
    if (isSecure(*node)) return failure(axerr::kNoValue);
    return value(makeString(substringUtf16(spec.value, *range)));
  }
  if (hasMarkers(*node) && (name == platform::parameterized::kStringForTextMarkerRange ||
                            name == platform::parameterized::kBoundsForTextMarkerRange)) {
    const auto span = markerSpan(node, parameter);
    if (!span) return failure(axerr::kIllegalArgument);
    const auto low = std::min(span->start, span->end);
    const auto high = std::max(span->start, span->end);
    if (name == platform::parameterized::kStringForTextMarkerRange) {
      if (isSecure(*node)) return failure(axerr::kNoValue);
      return value(makeString(substringUtf16(spec.value, {low, high - low})));
    }
    if (span->start > span->end) {
      // Engines answer an empty rectangle for a backwards range, at its later end.
      const auto at = caretPosition(spec.value, span->start, spec.frame);
      return value(makeRectValue({at.x, at.y, 0, 0}));
    }
    return value(makeRectValue(boundsForRange(spec.value, {low, high - low}, spec.frame)));
  }
  return std::nullopt;
}

const AttributeOverride* findOverride(const ElementNode& node, std::string_view name) {
  const auto it = node.overrides.find(name);
  return it == node.overrides.end() ? nullptr : &it->second;
}

}  // namespace

CopyResult readAttribute(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                         std::string_view name) {
  if (const auto* fixed = findOverride(*node, name)) {
    if (fixed->error) return failure(*fixed->error);
    if (fixed->value) return value(*fixed->value);
  }
  if (auto derived = derive(desktop.state(), node, name)) return std::move(*derived);
  return failure(axerr::kAttributeUnsupported);
}

CopyResult readParameterizedAttribute(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                                      std::string_view name, const Object& parameter) {
  (void)desktop;
  const auto it = node->parameterizedOverrides.find(name);
  if (it != node->parameterizedOverrides.end()) {
    if (it->second.error != axerr::kSuccess) return failure(it->second.error);
    return value(it->second.value);
  }
  if (auto derived = deriveParameterized(node, name, parameter)) return std::move(*derived);
  return failure(axerr::kParameterizedAttributeUnsupported);
}

std::vector<std::string> attributeNames(Desktop& desktop,
                                        const std::shared_ptr<ElementNode>& node) {
  std::vector<std::string> names;
  const auto listed = [&node](std::string_view name, bool derived) {
    const auto* fixed = findOverride(*node, name);
    if (fixed && fixed->error == axerr::kAttributeUnsupported) return false;
    return derived || (fixed && (fixed->value || fixed->error));
  };
  for (const auto name : kDerivedAttributes) {
    if (listed(name, derive(desktop.state(), node, name).has_value())) names.emplace_back(name);
  }
  for (const auto& [name, fixed] : node->overrides) {
    const bool known = std::find(std::begin(kDerivedAttributes), std::end(kDerivedAttributes),
                                 name) != std::end(kDerivedAttributes);
    if (!known && listed(name, false)) names.push_back(name);
  }
  return names;
}

platform::SettableResult attributeSettable(Desktop& desktop,
                                           const std::shared_ptr<ElementNode>& node,
                                           std::string_view name) {
  const auto* fixed = findOverride(*node, name);
  if (fixed && fixed->settable) return {axerr::kSuccess, *fixed->settable};
  // An attribute without a value now can still be asked whether it is settable.
  if (fixed && fixed->error && *fixed->error != axerr::kNoValue) return {*fixed->error, false};
  const bool exists =
      (fixed && (fixed->value || fixed->error)) || derive(desktop.state(), node, name).has_value();
  if (!exists) return {axerr::kAttributeUnsupported, false};
  return {axerr::kSuccess, derivedSettable(node, name)};
}

AXErrorCode writeAttribute(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                           std::string_view name, const Object& newValue) {
  const auto settable = attributeSettable(desktop, node, name);
  if (settable.error != axerr::kSuccess) return settable.error;
  if (!settable.settable) return axerr::kAttributeUnsupported;
  auto it = node->overrides.find(name);
  if (it == node->overrides.end() || !it->second.value) {
    if (const auto written = writeDerived(desktop, node, name, newValue)) return *written;
  }
  // A fixed attribute made settable keeps what is written to it.
  auto& fixed = node->overrides[std::string(name)];
  fixed.value = newValue;
  fixed.error.reset();
  return axerr::kSuccess;
}

}  // namespace axb::sim
