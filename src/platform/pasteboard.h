// The general pasteboard: a list of items, each holding data for one or more types.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace axb::platform {

inline constexpr char kPlainTextType[] = "public.utf8-plain-text";
// Marks content that clipboard managers should not record.
inline constexpr char kTransientType[] = "org.nspasteboard.TransientType";

struct PasteboardItem {
  // (type, data) pairs in the order the item offers them; data is raw bytes.
  std::vector<std::pair<std::string, std::string>> representations;
  friend bool operator==(const PasteboardItem&, const PasteboardItem&) = default;
};

// Goes up every time the contents are replaced; the only way to see another writer.
std::int64_t pasteboardChangeCount();
std::vector<PasteboardItem> pasteboardItems();
// The plain text of the first item that has some.
std::optional<std::string> pasteboardString();
// Clears the pasteboard and writes the items (none leaves it empty). Returns the change count
// after the write.
std::int64_t pasteboardReplace(const std::vector<PasteboardItem>& items);

}  // namespace axb::platform
