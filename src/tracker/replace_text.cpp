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
#include "platform/keyboard.h"
#include "platform/pasteboard.h"
#include "platform/run_loop.h"
#include "platform/utf8.h"
#include "platform/vocabulary.h"
#include "tracker/clipboard_snapshot.h"
#include "tracker/mac_accessibility.h"

namespace axb::tracker {
namespace {

constexpr double kActivationWait = 0.2;
// An application that is slow to come forward gets this much longer, asked every poll interval.
constexpr double kFrontWaitLimit = 1.0;
constexpr double kFrontPollInterval = 0.02;
constexpr double kPasteWait = 1.0;
constexpr char kNotReadableLine[] = "paste cancelled: clipboard not readable";

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

const char* cancelLine(platform::KeysRefusal refusal) {
  switch (refusal) {
    case platform::KeysRefusal::NotTrusted:
      return "paste cancelled: not trusted";
    case platform::KeysRefusal::NoDesktop:
      return "paste cancelled: no desktop";
    case platform::KeysRefusal::NotSupported:
      return "paste cancelled: not supported on this desktop";
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
      platform::copyAttributeValue(application, platform::attributes::kFocusedUIElement);
  ax::RequestRun::note(application, focused.error);
  if (focused.error == platform::axerr::kCannotComplete) return PasteTarget::NotResponding;
  if (focused.error == platform::axerr::kAPIDisabled) return PasteTarget::NotTrusted;
  return PasteTarget::Ready;
}

}  // namespace

void MacAccessibility::setSelectedText(std::string text) {
  // A keystroke the system would drop pastes nothing: decided before anything visible happens.
  if (const auto refusal = platform::syntheticKeysRefused()) {
    platform::writeDiagnosticLine(cancelLine(*refusal));
    return;
  }
  // A clipboard the system will not let the library read could not be given back: decided
  // before anything visible happens, where the system tells in advance.
  if (platform::pasteboardReadsRefused()) {
    platform::writeDiagnosticLine(kNotReadableLine);
    return;
  }
  if (frontmostApp) frontmostApp->activate();
  ax::delay(kActivationWait);
  // Without a followed application there is nothing to check: the keystroke goes to whatever is
  // in front.
  if (frontmostApp) {
    const PasteTarget target = pasteTarget(frontmostApp->processIdentifier());
    if (target != PasteTarget::Ready) {
      platform::writeDiagnosticLine(cancelLine(target));
      return;
    }
  }

  // Everything the user had copied, every item with all its types, taken just before the
  // library's own write: a copy made (or a clipboard cleared) while waiting above is what stays.
  const auto saved = takeClipboardSnapshot();
  if (!saved) {
    platform::writeDiagnosticLine(kNotReadableLine);
    return;
  }
  if (const auto savedText = plainTextOf(*saved)) {
    platform::writeDiagnosticLine(
        "saved pasteboard text: " + std::to_string(utf8::utf16Length(*savedText)) + " characters");
  }

  const std::size_t pastedLength = utf8::utf16Length(text);
  // For this device only: the user's other devices are never offered the library's text. The
  // text moves into the item: the library holds it once, however large.
  std::vector<platform::PasteboardItem> ownItems;
  ownItems.push_back(generatedTextItem(std::move(text)));
  const std::int64_t savedChangeCount = platform::pasteboardChangeCount();
  const auto ownWrite =
      platform::pasteboardReplace(ownItems, platform::PasteboardReach::ThisDeviceOnly);
  ownItems.clear();
  if (!ownWrite) {
    // A refused write may have cleared the clipboard first (macOS does): give the user's back.
    if (platform::pasteboardChangeCount() != savedChangeCount) {
      platform::pasteboardReplace(itemsToGiveBack(*saved));
    }
    platform::writeDiagnosticLine("paste cancelled: clipboard not writable");
    return;
  }
  ax::pasteCommand();
  platform::writeDiagnosticLine("pasted text: " + std::to_string(pastedLength) + " characters");
  ax::delay(kPasteWait);

  // Someone else wrote meanwhile (the user copied something): theirs is newer, keep it.
  if (platform::pasteboardChangeCount() == *ownWrite) {
    platform::pasteboardReplace(itemsToGiveBack(*saved));
  }
  platform::writeDiagnosticLine("Task ended");
}

}  // namespace axb::tracker
