// The general pasteboard of the platform boundary, kept by the simulated desktop.
#include "platform/pasteboard.h"

#include "sim_desktop/desktop.h"

namespace axb::platform {

std::int64_t pasteboardChangeCount() {
  return sim::Desktop::current().pasteboardChangeCount();
}

bool pasteboardReadsRefused() {
  return sim::Desktop::current().pasteboardReadsRefused();
}

PasteboardContents pasteboardContents() {
  return sim::Desktop::current().readPasteboard();
}

std::optional<std::string> pasteboardString() {
  for (const auto& item : sim::Desktop::current().pasteboardItems()) {
    for (const auto& [type, data] : item.representations) {
      if (type == kPlainTextType) return data;
    }
  }
  return std::nullopt;
}

std::optional<std::int64_t> pasteboardReplace(const std::vector<PasteboardItem>& items,
                                              PasteboardReach reach) {
  return sim::Desktop::current().writePasteboard(items, reach);
}

}  // namespace axb::platform
