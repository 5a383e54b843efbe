// The clipboard is not read or written on Linux yet: it reads as empty and never changes, and a
// write is refused (the count stays), so the text the user copied is never touched.
#include "platform/pasteboard.h"

namespace axb::platform {

std::int64_t pasteboardChangeCount() {
  return 0;
}

std::vector<PasteboardItem> pasteboardItems() {
  return {};
}

std::optional<std::string> pasteboardString() {
  return std::nullopt;
}

std::int64_t pasteboardReplace(const std::vector<PasteboardItem>&) {
  return 0;
}

}  // namespace axb::platform
