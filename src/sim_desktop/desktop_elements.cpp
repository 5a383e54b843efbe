// Elements of the simulated applications and the fixed answers tests give them.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "platform/utf8.h"
#include "platform/vocabulary.h"
#include "sim_desktop/desktop_state.h"
#include "sim_desktop/desktop_text.h"

namespace axb::sim {
namespace {

constexpr std::pair<TextKind, std::string_view> kTextKindNames[] = {
    {TextKind::None, "none"},
    {TextKind::Native, "native"},
    {TextKind::Web, "web"},
    {TextKind::Markers, "markers"},
};

}  // namespace

const char* textKindName(TextKind kind) {
  for (const auto& [known, name] : kTextKindNames) {
    if (known == kind) return name.data();
  }
  return "none";
}

std::optional<TextKind> textKindNamed(std::string_view name) {
  for (const auto& [kind, known] : kTextKindNames) {
    if (known == name) return kind;
  }
  return std::nullopt;
}

void Desktop::addElement(ProcessId pid, const ElementSpec& spec) {
  auto& state = *state_;
  const auto app = state.liveApp(pid);
  if (!app) throw std::invalid_argument("no running application with pid " + std::to_string(pid));
  if (spec.id.empty()) throw std::invalid_argument("an element needs an id");
  // A destroyed element's id may be used again (a reopened window); a live one's may not.
  if (const auto existing = state.findElement(spec.id); existing) {
    if (!existing->destroyed) throw std::invalid_argument("duplicate element id: " + spec.id);
    // The new element takes the old one's place in the records (handles keep the old node).
    if (const auto owner = state.findApp(existing->pid)) std::erase(owner->elements, existing);
  }
  ElementSpec normalised = spec;
  normalised.value = utf8::toWellFormed(spec.value);
  normalised.selection = clampRange(normalised.value, spec.selection);
  auto node = std::make_shared<ElementNode>(pid, std::move(normalised), /*isApplication=*/false);
  state.elements[spec.id] = node;
  app->elements.push_back(std::move(node));
}

platform::Element Desktop::element(const std::string& id) const {
  return elementOf(state_->requireElement(id));
}

std::string Desktop::elementId(const platform::Element& element) const {
  const auto node = nodeOf(element.object());
  return node ? node->spec.id : std::string();
}

bool Desktop::hasElement(const std::string& id) const {
  return state_->findElement(id) != nullptr;
}

void Desktop::destroyElement(const std::string& id) {
  const auto node = state_->requireElement(id);
  if (node->destroyed) return;
  node->destroyed = true;
  const auto app = state_->liveApp(node->pid);
  if (!app) return;
  if (app->focused == node) app->focused.reset();
  postElementNotification(*this, node, platform::notifications::kUIElementDestroyed);
}

// ---- Fixed answers

void Desktop::setAttribute(const std::string& id, const std::string& name, platform::Object value,
                           std::optional<bool> settable) {
  auto& fixed = state_->requireElement(id)->overrides[name];
  fixed.value = std::move(value);
  fixed.error.reset();
  if (settable) fixed.settable = settable;
}

void Desktop::setAttributeError(const std::string& id, const std::string& name,
                                platform::AXErrorCode code) {
  auto& fixed = state_->requireElement(id)->overrides[name];
  fixed.value.reset();
  if (code == platform::axerr::kSuccess) {
    fixed.error.reset();
  } else {
    fixed.error = code;
  }
}

void Desktop::setSettable(const std::string& id, const std::string& name, bool settable) {
  state_->requireElement(id)->overrides[name].settable = settable;
}

void Desktop::setParameterizedAttribute(const std::string& id, const std::string& name,
                                        platform::Object value) {
  state_->requireElement(id)->parameterizedOverrides[name] = {std::move(value),
                                                              platform::axerr::kSuccess};
}

void Desktop::setParameterizedAttributeError(const std::string& id, const std::string& name,
                                             platform::AXErrorCode code) {
  auto& overrides = state_->requireElement(id)->parameterizedOverrides;
  if (code == platform::axerr::kSuccess) {
    overrides.erase(name);
  } else {
    overrides[name] = {platform::Object(), code};
  }
}

void Desktop::clearOverrides(const std::string& id, const std::string& name) {
  const auto& node = state_->requireElement(id);
  node->overrides.erase(name);
  node->parameterizedOverrides.erase(name);
  node->notificationErrors.erase(name);
}

void Desktop::setNotificationError(const std::string& id, const std::string& notification,
                                   platform::AXErrorCode code) {
  auto& errors = state_->requireElement(id)->notificationErrors;
  if (code == platform::axerr::kSuccess) {
    errors.erase(notification);
  } else {
    errors[notification] = code;
  }
}

// ---- Text state

std::string Desktop::text(const std::string& id) const {
  return state_->requireElement(id)->spec.value;
}

Range Desktop::selection(const std::string& id) const {
  return state_->requireElement(id)->spec.selection;
}

double Desktop::messagingTimeout(const std::string& id) const {
  return state_->requireElement(id)->messagingTimeout;
}

Rect Desktop::frame(const std::string& id) const {
  return state_->requireElement(id)->spec.frame;
}

}  // namespace axb::sim
