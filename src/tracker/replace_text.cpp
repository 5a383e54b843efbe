// Replacing the selection in the followed application the way a user would: bring it to the
// front, put the text on the pasteboard, press Command-V, and give the user's clipboard back.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ax/observers.h"
#include "ax/paste.h"
#include "ax/request_run.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"
#include "platform/pasteboard.h"
#include "platform/run_loop.h"
#include "platform/utf8.h"
#include "tracker/mac_accessibility.h"

namespace axb::tracker {
namespace {

constexpr double kActivationWait = 0.2;
// An application that is slow to come forward gets this much longer, asked every poll interval.
constexpr double kFrontWaitLimit = 1.0;
constexpr double kFrontPollInterval = 0.02;
constexpr double kPasteWait = 1.0;

enum class PasteTarget { Ready, NotInFront, NotResponding, NotTrusted };

const char* cancelLine(PasteTarget target) {
  switch (target) {
    case PasteTarget::NotInFront:
      return "paste cancelled: application not in front";
    case PasteTarget::NotResponding:
      return "paste cancelled: application not responding";
    case PasteTarget::NotTrusted:
      return "paste cancelled: not trusted";
    case PasteTarget::Ready:
      break;
  }
  return "";
}

// Waits until the application is in front, asking the system (the workspace's own idea of the
// frontmost application only changes when the run loop turns, which it does not in here).
std::optional<PasteTarget> waitUntilInFront(ProcessId pid) {
  const double deadline = platform::monotonicSeconds() + kFrontWaitLimit;
  for (;;) {
    const platform::FocusedApplicationResult inFront = platform::focusedApplication();
    if (inFront.error == platform::axerr::kAPIDisabled) return PasteTarget::NotTrusted;
    if (inFront.error == platform::axerr::kSuccess && inFront.pid == pid) return std::nullopt;
    if (platform::monotonicSeconds() >= deadline) return PasteTarget::NotInFront;
    ax::delay(kFrontPollInterval);
  }
}

// Whether the keystroke would reach the application now: in front, and answering. Asked without
// diagnostics of its own, so that a cancelled paste prints its one line and no other.
PasteTarget pasteTarget(ProcessId pid) {
  if (const auto notReady = waitUntilInFront(pid)) return *notReady;
  const Element application = ax::getAppRef(pid);
  const platform::CopyResult focused =
      platform::copyAttributeValue(application, "AXFocusedUIElement");
  ax::RequestRun::note(application, focused.error);
  if (focused.error == platform::axerr::kCannotComplete) return PasteTarget::NotResponding;
  if (focused.error == platform::axerr::kAPIDisabled) return PasteTarget::NotTrusted;
  return PasteTarget::Ready;
}

}  // namespace

void MacAccessibility::setSelectedText(std::string text) {
  if (frontmostApp) frontmostApp->activate();
  ax::delay(kActivationWait);
  // Without a followed application the keystroke goes to whatever is in front, as it always has.
  if (frontmostApp) {
    const PasteTarget target = pasteTarget(frontmostApp->processIdentifier());
    if (target != PasteTarget::Ready) {
      platform::writeDiagnosticLine(cancelLine(target));
      return;
    }
  }

  // Everything the user had copied, every item with all its types, taken just before the
  // library's own write: a copy made (or a clipboard cleared) while waiting above is what stays.
  const std::vector<platform::PasteboardItem> saved = platform::pasteboardItems();
  if (const auto savedText = platform::pasteboardString()) {
    platform::writeDiagnosticLine(
        "saved pasteboard text: " + std::to_string(utf8::utf16Length(*savedText)) + " characters");
  }

  const std::size_t pastedLength = utf8::utf16Length(text);
  // Marked transient so that clipboard managers do not record the library's own write. The text
  // moves into the item: the library holds it once, however large.
  std::vector<platform::PasteboardItem> ownItems(1);
  ownItems[0].representations.emplace_back(platform::kPlainTextType, std::move(text));
  ownItems[0].representations.emplace_back(platform::kTransientType, "");
  const std::int64_t ownWrite = platform::pasteboardReplace(ownItems);
  ownItems.clear();
  ax::pasteCommand();
  platform::writeDiagnosticLine("pasted text: " + std::to_string(pastedLength) + " characters");
  ax::delay(kPasteWait);

  // Someone else wrote meanwhile (the user copied something): theirs is newer, keep it.
  if (platform::pasteboardChangeCount() == ownWrite) platform::pasteboardReplace(saved);
  platform::writeDiagnosticLine("Task ended");
}

}  // namespace axb::tracker
