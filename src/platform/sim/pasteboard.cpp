// The general pasteboard of the platform boundary, kept by the simulated desktop.
#include "platform/pasteboard.h"

#include "sim_desktop/desktop.h"

namespace axb::platform {

std::int64_t pasteboardChangeCount() {
  return sim::Desktop::current().pasteboardChangeCount();
}

std::vector<PasteboardItem> pasteboardItems() {
  return sim::Desktop::current().pasteboardItems();
}

std::optional<std::string> pasteboardString() {
  for (const auto& item : pasteboardItems()) {
    for (const auto& [type, data] : item.representations) {
      if (type == kPlainTextType) return data;
    }
  }
  return std::nullopt;
}

std::int64_t pasteboardReplace(const std::vector<PasteboardItem>& items) {
  return sim::Desktop::current().replacePasteboard(items);
}

}  // namespace axb::platform
