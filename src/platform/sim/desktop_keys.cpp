// Keyboard events posted by the library and their handling by the frontmost application.
#include "platform/keyboard.h"
#include "platform/sim/desktop_state.h"

namespace axb::sim {
namespace {

// The frontmost application picks a posted event up this long after it was posted.
constexpr double kKeyHandlingDelaySeconds = 0.005;

std::optional<std::string> plainText(const std::vector<platform::PasteboardItem>& items) {
  for (const auto& item : items) {
    for (const auto& [type, data] : item.representations) {
      if (type == platform::kPlainTextType) return data;
    }
  }
  return std::nullopt;
}

// Command-V in an editable text element pastes the pasteboard's plain text as if typed.
void handleKeyEvent(Desktop& desktop, const PostedKeyEvent& event) {
  const bool commandV = event.keyDown && event.keyCode == platform::kKeyCodeV &&
                        (event.flags & platform::kEventFlagMaskCommand) != 0;
  if (!commandV) return;
  auto& state = desktop.state();
  const auto app = state.frontmost ? state.liveApp(*state.frontmost) : nullptr;
  if (!app || !app->focused || !acceptsTyping(*app->focused)) return;
  const auto text = plainText(state.pasteboardItems);
  if (!text) return;
  replaceSelectedText(desktop, app->focused, *text);
}

}  // namespace

const std::vector<PostedKeyEvent>& Desktop::postedKeyEvents() const {
  return state_->keyEvents;
}

void Desktop::recordKeyEvent(PostedKeyEvent event) {
  state_->keyEvents.push_back(event);
  atWorldTime(now() + kKeyHandlingDelaySeconds, [this, event] { handleKeyEvent(*this, event); });
}

}  // namespace axb::sim
