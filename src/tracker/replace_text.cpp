// Replacing the selection in the followed application the way a user would: bring it to the
// front, put the text on the pasteboard, press Command-V, and give the user's clipboard back.
#include <cstdint>
#include <string>
#include <string_view>

#include "ax/paste.h"
#include "platform/diagnostics.h"
#include "platform/pasteboard.h"
#include "tracker/mac_accessibility.h"

namespace axb::tracker {
namespace {

constexpr double kActivationWait = 0.2;
constexpr double kPasteWait = 1.0;

// Length in UTF-16 units, as the platform counts text. The text is well-formed UTF-8.
std::size_t utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<std::uint8_t>(c);
    if ((byte & 0xC0) != 0x80) ++units;  // each code point
    if (byte >= 0xF0) ++units;           // beyond the BMP: a surrogate pair
  }
  return units;
}

}  // namespace

void MacAccessibility::setSelectedText(const std::string& text) {
  // Everything the user had copied, every item with all its types.
  const std::vector<platform::PasteboardItem> saved = platform::pasteboardItems();
  if (const auto savedText = platform::pasteboardString()) {
    platform::writeDiagnosticLine(
        "saved pasteboard text: " + std::to_string(utf16Length(*savedText)) + " characters");
  }
  if (frontmostApp) frontmostApp->activate();
  ax::delay(kActivationWait);

  // Marked transient so that clipboard managers do not record the library's own write.
  const platform::PasteboardItem item{
      {{platform::kPlainTextType, text}, {platform::kTransientType, ""}}};
  const std::int64_t ownWrite = platform::pasteboardReplace({item});
  ax::pasteCommand();
  platform::writeDiagnosticLine("pasted text: " + std::to_string(utf16Length(text)) +
                                " characters");
  ax::delay(kPasteWait);

  // Someone else wrote meanwhile (the user copied something): theirs is newer, keep it.
  if (platform::pasteboardChangeCount() == ownWrite) platform::pasteboardReplace(saved);
  platform::writeDiagnosticLine("Task ended");
}

}  // namespace axb::tracker
