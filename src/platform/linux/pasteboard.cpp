// The pasteboard is the X11 CLIPBOARD selection: one item whose representations are the
// targets its owner offers. Writing makes this process the owner until another client copies;
// contents the library puts back are handed to a running clipboard manager so that they outlive
// the process (without one they last as long as it does).
#include "platform/pasteboard.h"

#include <algorithm>

#include "platform/linux/x11/clipboard_targets.h"
#include "platform/linux/x11/x11_clipboard.h"

namespace axb::platform {

std::int64_t pasteboardChangeCount() {
  return x11::clipboardChangeCount();
}

// X11 has no privacy setting for the clipboard; an owner that does not answer is passed over.
bool pasteboardReadsRefused() {
  return false;
}

PasteboardContents pasteboardContents() {
  return {x11::itemsFromTargets(x11::readClipboard())};
}

std::optional<std::string> pasteboardString() {
  return x11::readClipboardText();
}

// Every write reaches this display only.
std::optional<std::int64_t> pasteboardReplace(const std::vector<PasteboardItem>& items,
                                              PasteboardReach) {
  const bool transient = std::any_of(items.begin(), items.end(), [](const PasteboardItem& item) {
    return std::any_of(
        item.representations.begin(), item.representations.end(),
        [](const auto& representation) { return representation.first == kTransientType; });
  });
  // Contents marked transient stay out of clipboard managers' hands.
  return x11::ownClipboard(x11::targetsFromItems(items), !transient);
}

}  // namespace axb::platform
