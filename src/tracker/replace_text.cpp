// Replacing the selection in the followed application the way a user would: bring it to the
// front, put the text on the pasteboard, press Command-V, and give the user's clipboard back.
#include <cstdint>
#include <string>
#include <string_view>

#include "ax/paste.h"
#include "platform/diagnostics.h"
#include "platform/pasteboard.h"
#include "platform/utf8.h"
#include "tracker/mac_accessibility.h"

namespace axb::tracker {
namespace {

constexpr double kActivationWait = 0.2;
constexpr double kPasteWait = 1.0;

}  // namespace

void MacAccessibility::setSelectedText(const std::string& text) {
  // Everything the user had copied, every item with all its types.
  const std::vector<platform::PasteboardItem> saved = platform::pasteboardItems();
  if (const auto savedText = platform::pasteboardString()) {
    platform::writeDiagnosticLine(
        "saved pasteboard text: " + std::to_string(utf8::utf16Length(*savedText)) + " characters");
  }
  if (frontmostApp) frontmostApp->activate();
  ax::delay(kActivationWait);

  // Marked transient so that clipboard managers do not record the library's own write.
  const platform::PasteboardItem item{
      {{platform::kPlainTextType, text}, {platform::kTransientType, ""}}};
  const std::int64_t ownWrite = platform::pasteboardReplace({item});
  ax::pasteCommand();
  platform::writeDiagnosticLine("pasted text: " + std::to_string(utf8::utf16Length(text)) +
                                " characters");
  ax::delay(kPasteWait);

  // Someone else wrote meanwhile (the user copied something): theirs is newer, keep it.
  if (platform::pasteboardChangeCount() == ownWrite) platform::pasteboardReplace(saved);
  platform::writeDiagnosticLine("Task ended");
}

}  // namespace axb::tracker
