// The user's clipboard around the library's own write: what is saved before it, what the write
// is, and what is given back after it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/pasteboard.h"

namespace axb::tracker {

// The pasteboard's items, read again (at most twice more) when another writer changed them
// during the read, so that the snapshot is one whole copy. Nothing when the pasteboard listed
// data of which none could be read: giving back that snapshot would empty the clipboard.
std::optional<std::vector<platform::PasteboardItem>> takeClipboardSnapshot();

// The plain text of the first item that has some.
std::optional<std::string> plainTextOf(const std::vector<platform::PasteboardItem>& items);

// The library's write: the text, marked as generated and not to be recorded.
platform::PasteboardItem generatedTextItem(std::string text);

// What is given back: the saved items except concealed ones (a password manager clears its
// secret only while nobody has written since), each naming its source: its own, else the host
// (by its bundle identifier), else none.
std::vector<platform::PasteboardItem> itemsToGiveBack(
    const std::vector<platform::PasteboardItem>& saved);

}  // namespace axb::tracker
