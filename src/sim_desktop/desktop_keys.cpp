// Keyboard events posted by the library and their handling by the frontmost application.
#include <optional>
#include <string>
#include <vector>

#include "sim_desktop/desktop_state.h"

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
  auto& state = desktop.state();
  const auto app = state.frontmost ? state.liveApp(*state.frontmost) : nullptr;
  if (!app) return;
  // A hung application reads its input once it answers again: the paste happens then, with
  // whatever the pasteboard holds at that moment.
  if (isHung(desktop, *app)) {
    app->heldKeys.push_back(event);
    return;
  }
  const bool commandV =
      event.keyDown && event.keyCode == kKeyCodeV && (event.flags & kCommandFlag) != 0;
  if (!commandV) return;
  if (!app->focused || !acceptsTyping(*app->focused)) return;
  const auto text = plainText(state.pasteboardItems);
  if (!text) return;
  replaceSelectedText(desktop, app->focused, *text);
}

}  // namespace

const std::vector<PostedKeyEvent>& Desktop::postedKeyEvents() const {
  return state_->keyEvents;
}

void scheduleKeyHandling(Desktop& desktop, const PostedKeyEvent& event) {
  desktop.atWorldTime(desktop.now() + kKeyHandlingDelaySeconds,
                      [&desktop, event] { handleKeyEvent(desktop, event); });
}

// The system drops keystrokes that a process without the accessibility permission posts.
void Desktop::recordKeyEvent(PostedKeyEvent event) {
  event.time = now();
  state_->keyEvents.push_back(event);
  if (!state_->trusted) return;
  scheduleKeyHandling(*this, event);
}

}  // namespace axb::sim
