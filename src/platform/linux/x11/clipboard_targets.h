// How the pasteboard's items and types map onto the X11 CLIPBOARD selection's targets, and how
// large data is cut into the INCR protocol's chunks. Pure: no display involved.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/pasteboard.h"

namespace axb::platform::x11 {

inline constexpr char kUtf8StringTarget[] = "UTF8_STRING";
inline constexpr char kTextPlainUtf8Target[] = "text/plain;charset=utf-8";
inline constexpr char kStringTarget[] = "STRING";
inline constexpr char kTextTarget[] = "TEXT";
// What password managers put on the clipboard so that clipboard managers skip the contents.
inline constexpr char kPasswordManagerHintTarget[] = "x-kde-passwordManagerHint";
inline constexpr char kPasswordManagerHintValue[] = "secret";

// (target name, data) in the order offered.
using Targets = std::vector<std::pair<std::string, std::string>>;

// Targets that describe or act on the selection instead of holding its contents: never saved.
bool isMetaTarget(std::string_view target);

// The type name the pasteboard uses for a target, and back.
std::string typeForTarget(std::string_view target);
std::string targetForType(std::string_view type);

// What a clipboard offering these targets reads as: one item, each target a representation,
// meta targets left out; a concealed item (the marker alone) when the password manager hint is
// offered.
std::vector<PasteboardItem> itemsFromTargets(const Targets& targets);

// What to serve for the items. The selection holds one set of targets: later items only add
// targets the earlier ones lack. Plain text is also served as text/plain;charset=utf-8, TEXT and,
// when it fits Latin-1, STRING, unless the item carries those itself; the transient marker is
// served as the password manager hint; the macOS pasteboard's other markers are left out.
Targets targetsFromItems(const std::vector<PasteboardItem>& items);

// UTF-8 text as Latin-1, or nothing when it holds a character beyond U+00FF or is not UTF-8.
std::optional<std::string> latin1FromUtf8(std::string_view text);

// One INCR transfer's progress: the chunks to send one after another, then an empty one. The
// data is shared with the clipboard's contents and every other transfer of it, never copied.
class IncrChunks {
 public:
  IncrChunks(std::shared_ptr<const std::string> data, std::size_t chunkSize);
  // The next chunk; empty once the data is all sent (that empty chunk ends the transfer).
  std::string_view next();
  // Whether the ending empty chunk has been handed out.
  bool finished() const { return finished_; }
  std::size_t size() const { return data_->size(); }

 private:
  std::shared_ptr<const std::string> data_;
  std::size_t chunkSize_;
  std::size_t offset_ = 0;
  bool finished_ = false;
};

}  // namespace axb::platform::x11
