// The user at work in the simulated applications, and the notifications each action posts.
#include <memory>
#include <string>
#include <string_view>

#include "platform/utf8.h"
#include "platform/vocabulary.h"
#include "sim_desktop/desktop_state.h"
#include "sim_desktop/desktop_text.h"

namespace axb::sim {
namespace {

bool hasTextRanges(const ElementNode& node) {
  return node.spec.text == TextKind::Native || node.spec.text == TextKind::Web;
}

}  // namespace

bool acceptsTyping(const ElementNode& node) {
  return !node.destroyed && hasTextRanges(node) && node.spec.editable;
}

void replaceSelectedText(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                         std::string_view inserted) {
  const std::string clean = utf8::toWellFormed(inserted);
  const Range selection = clampRange(node->spec.value, node->spec.selection);
  node->spec.value = replaceUtf16(node->spec.value, selection, clean);
  node->spec.selection = {selection.location + textLength(clean), 0};
  postElementNotification(desktop, node, platform::notifications::kValueChanged);
  postElementNotification(desktop, node, platform::notifications::kSelectedTextChanged);
}

void replaceWholeText(Desktop& desktop, const std::shared_ptr<ElementNode>& node,
                      std::string_view text) {
  node->spec.value = utf8::toWellFormed(text);
  node->spec.selection = {textLength(node->spec.value), 0};
  postElementNotification(desktop, node, platform::notifications::kValueChanged);
}

void changeSelection(Desktop& desktop, const std::shared_ptr<ElementNode>& node, Range range) {
  node->spec.selection = clampRange(node->spec.value, range);
  postElementNotification(desktop, node, platform::notifications::kSelectedTextChanged);
}

void Desktop::focus(const std::string& id) {
  const auto node = state_->requireElement(id);
  const auto app = state_->liveApp(node->pid);
  if (node->destroyed || node->application || !app) return;
  app->focused = node;
  postElementNotification(*this, node, platform::notifications::kFocusedUIElementChanged);
  if (node->spec.selectsAllOnFocus && hasTextRanges(*node)) {
    changeSelection(*this, node, Range{0, textLength(node->spec.value)});
  }
}

void Desktop::clearFocus(ProcessId pid) {
  if (const auto app = state_->liveApp(pid)) app->focused.reset();
}

void Desktop::select(const std::string& id, Range selection) {
  const auto node = state_->requireElement(id);
  if (node->destroyed || node->spec.text == TextKind::None || !state_->liveApp(node->pid)) return;
  changeSelection(*this, node, selection);
}

void Desktop::type(const std::string& id, const std::string& text) {
  const auto node = state_->requireElement(id);
  if (!acceptsTyping(*node) || !state_->liveApp(node->pid)) return;
  replaceSelectedText(*this, node, text);
}

void Desktop::moveWindow(const std::string& windowId, Point origin) {
  const auto window = state_->requireElement(windowId);
  const auto app = state_->liveApp(window->pid);
  if (window->destroyed || !app) return;
  const double dx = origin.x - window->spec.frame.x;
  const double dy = origin.y - window->spec.frame.y;
  window->spec.frame.x = origin.x;
  window->spec.frame.y = origin.y;
  // The window's contents move with it.
  for (const auto& node : app->elements) {
    if (node->spec.window == windowId && node != window) {
      node->spec.frame.x += dx;
      node->spec.frame.y += dy;
    }
  }
  postElementNotification(*this, window, platform::notifications::kWindowMoved);
}

void Desktop::resizeWindow(const std::string& windowId, Size size) {
  const auto window = state_->requireElement(windowId);
  if (window->destroyed || !state_->liveApp(window->pid)) return;
  window->spec.frame.width = size.width;
  window->spec.frame.height = size.height;
  postElementNotification(*this, window, platform::notifications::kWindowResized);
}

void Desktop::postNotification(const std::string& id, const std::string& notification) {
  const auto node = state_->requireElement(id);
  if (!state_->liveApp(node->pid)) return;
  postElementNotification(*this, node, notification);
}

}  // namespace axb::sim
