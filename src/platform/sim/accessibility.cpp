// The accessibility requests of the platform boundary, answered by the simulated desktop.
#include "platform/accessibility.h"

#include <utility>
#include <variant>
#include <vector>

#include "platform/sim/object_impl.h"
#include "sim_desktop/desktop_state.h"
#include "sim_desktop/element_attributes.h"
#include "sim_desktop/values.h"

namespace axb::platform {

using sim::Desktop;

namespace {

// Elements the library obtains get its messaging timeout, as the real binding sets it.
void limitMessagingTime(const Object& value) {
  if (value.kind() == ValueKind::Element) sim::limitMessagingTime(sim::nodeOf(value));
  if (value.kind() != ValueKind::Array) return;
  for (const Object& item : value.array().value_or(std::vector<Object>())) {
    if (item.kind() == ValueKind::Element) sim::limitMessagingTime(sim::nodeOf(item));
  }
}

}  // namespace

CopyResult copyAttributeValue(const Element& element, std::string_view attribute) {
  auto& desktop = Desktop::current();
  const auto node = sim::nodeOf(element.object());
  const auto error = sim::beginElementRequest(desktop, "copyAttributeValue", node, attribute);
  if (error != axerr::kSuccess) return {error, Object()};
  CopyResult result = sim::readAttribute(desktop, node, attribute);
  limitMessagingTime(result.value);
  return result;
}

CopyResult copyParameterizedAttributeValue(const Element& element, std::string_view attribute,
                                           const Object& parameter) {
  auto& desktop = Desktop::current();
  const auto node = sim::nodeOf(element.object());
  const auto error =
      sim::beginElementRequest(desktop, "copyParameterizedAttributeValue", node, attribute);
  if (error != axerr::kSuccess) return {error, Object()};
  return sim::readParameterizedAttribute(desktop, node, attribute, parameter);
}

CopyResult copyAttributeNames(const Element& element) {
  auto& desktop = Desktop::current();
  const auto node = sim::nodeOf(element.object());
  const auto error = sim::beginElementRequest(desktop, "copyAttributeNames", node, "");
  if (error != axerr::kSuccess) return {error, Object()};
  std::vector<Object> names;
  for (const auto& name : sim::attributeNames(desktop, node)) {
    names.push_back(Object::makeString(name));
  }
  return {axerr::kSuccess, sim::makeArray(std::move(names))};
}

SettableResult isAttributeSettable(const Element& element, std::string_view attribute) {
  auto& desktop = Desktop::current();
  const auto node = sim::nodeOf(element.object());
  const auto error = sim::beginElementRequest(desktop, "isAttributeSettable", node, attribute);
  if (error != axerr::kSuccess) return {error, false};
  return sim::attributeSettable(desktop, node, attribute);
}

AXErrorCode setAttributeValue(const Element& element, std::string_view attribute,
                              const Object& value) {
  auto& desktop = Desktop::current();
  const auto node = sim::nodeOf(element.object());
  const auto error = sim::beginElementRequest(desktop, "setAttributeValue", node, attribute);
  if (error != axerr::kSuccess) return error;
  if (!value) return axerr::kIllegalArgument;
  return sim::writeAttribute(desktop, node, attribute, value);
}

Element createApplicationElement(ProcessId pid) {
  Element application = Desktop::current().applicationElement(pid);
  sim::limitMessagingTime(sim::nodeOf(application.object()));
  return application;
}

std::optional<ProcessId> elementProcessId(const Element& element) {
  if (const auto node = sim::nodeOf(element.object())) return node->pid;
  return std::nullopt;
}

Object textMarkerRangeStart(const Object& markerRange) {
  if (markerRange.kind() != ValueKind::TextMarkerRange) return Object();
  return std::get<sim::TextMarkerRangeValue>(markerRange.impl()->payload).start;
}

Object textMarkerRangeEnd(const Object& markerRange) {
  if (markerRange.kind() != ValueKind::TextMarkerRange) return Object();
  return std::get<sim::TextMarkerRangeValue>(markerRange.impl()->payload).end;
}

Object makeTextMarkerRange(const Object& startMarker, const Object& endMarker) {
  if (startMarker.kind() != ValueKind::TextMarker || endMarker.kind() != ValueKind::TextMarker) {
    return Object();
  }
  return sim::makeTextMarkerRange(startMarker, endMarker);
}

// The system answers this one, not an application: it is current and never hangs.
FocusedApplicationResult focusedApplication() {
  auto& desktop = Desktop::current();
  if (!desktop.trusted()) return {axerr::kAPIDisabled, 0};
  const auto pid = desktop.frontmostPid();
  if (!pid) return {axerr::kNoValue, 0};
  return {axerr::kSuccess, *pid};
}

// The simulated desktop answers every request afresh: its scenarios count each one.
void beginRequestRun() {}
void endRequestRun() {}

bool isProcessTrusted(bool prompt) {
  auto& desktop = Desktop::current();
  if (prompt && !desktop.trusted()) desktop.notePrompt();
  return desktop.trusted();
}

}  // namespace axb::platform
