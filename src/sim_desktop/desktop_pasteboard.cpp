// The general pasteboard: every replacement of its contents counts one change.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim_desktop/desktop_state.h"

namespace axb::sim {
namespace {

bool isConcealed(const platform::PasteboardItem& item) {
  return std::any_of(item.representations.begin(), item.representations.end(),
                     [](const auto& r) { return r.first == platform::kConcealedType; });
}

}  // namespace

std::int64_t Desktop::pasteboardChangeCount() const {
  return state_->pasteboardChangeCount;
}

std::vector<platform::PasteboardItem> Desktop::pasteboardItems() const {
  return state_->pasteboardItems;
}

std::int64_t Desktop::replacePasteboard(std::vector<platform::PasteboardItem> items) {
  state_->pasteboardItems = std::move(items);
  state_->pasteboardThisDeviceOnly = false;
  return ++state_->pasteboardChangeCount;
}

bool Desktop::pasteboardThisDeviceOnly() const {
  return state_->pasteboardThisDeviceOnly;
}

void Desktop::setPasteboardReads(PasteboardReads reads) {
  state_->pasteboardReads = reads;
}

void Desktop::setPasteboardReadHook(std::function<void()> hook) {
  state_->pasteboardReadHook = std::move(hook);
}

void Desktop::refuseNextPasteboardWrites(int count) {
  state_->pasteboardWritesToRefuse = count;
}

// As the system reads: a concealed item's data is left unread, and refused reads give no data.
platform::PasteboardContents Desktop::readPasteboard() {
  platform::PasteboardContents contents;
  for (const auto& item : state_->pasteboardItems) {
    if (isConcealed(item)) {
      contents.items.push_back({{{platform::kConcealedType, ""}}});
      continue;
    }
    if (state_->pasteboardReads == PasteboardReads::Allowed) {
      contents.items.push_back(item);
    } else {
      contents.items.emplace_back();
      contents.unreadTypes += item.representations.size();
    }
  }
  // A copy: the hook may replace itself.
  if (const auto hook = state_->pasteboardReadHook) hook();
  return contents;
}

bool Desktop::pasteboardReadsRefused() const {
  return state_->pasteboardReads == PasteboardReads::Refused && !state_->pasteboardItems.empty();
}

std::optional<std::int64_t> Desktop::writePasteboard(std::vector<platform::PasteboardItem> items,
                                                     platform::PasteboardReach reach) {
  if (state_->pasteboardWritesToRefuse > 0) {
    --state_->pasteboardWritesToRefuse;
    replacePasteboard({});
    return std::nullopt;
  }
  const std::int64_t count = replacePasteboard(std::move(items));
  state_->pasteboardThisDeviceOnly = reach == platform::PasteboardReach::ThisDeviceOnly;
  return count;
}

void Desktop::userCopies(const std::string& text) {
  platform::PasteboardItem item;
  item.representations.emplace_back(platform::kPlainTextType, text);
  replacePasteboard({std::move(item)});
}

}  // namespace axb::sim
