// The general pasteboard: every replacement of its contents counts one change.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim_desktop/desktop_state.h"

namespace axb::sim {

std::int64_t Desktop::pasteboardChangeCount() const {
  return state_->pasteboardChangeCount;
}

std::vector<platform::PasteboardItem> Desktop::pasteboardItems() const {
  return state_->pasteboardItems;
}

std::int64_t Desktop::replacePasteboard(std::vector<platform::PasteboardItem> items) {
  state_->pasteboardItems = std::move(items);
  return ++state_->pasteboardChangeCount;
}

void Desktop::userCopies(const std::string& text) {
  platform::PasteboardItem item;
  item.representations.emplace_back(platform::kPlainTextType, text);
  replacePasteboard({std::move(item)});
}

}  // namespace axb::sim
