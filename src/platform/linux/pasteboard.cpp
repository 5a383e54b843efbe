// The pasteboard is the X11 CLIPBOARD selection: one item whose representations are the
// targets its owner offers. Writing makes this process the owner until another client copies;
// contents the library puts back are handed to a running clipboard manager so that they outlive
// the process (without one they last as long as it does). For a native Wayland application the
// compositor's clipboard is used instead (wayland/paste_route.h), where no such hand-off exists.
#include "platform/pasteboard.h"

#include <algorithm>

#include "platform/linux/wayland/data_control.h"
#include "platform/linux/wayland/mutter_remote_desktop.h"
#include "platform/linux/wayland/paste_route.h"
#include "platform/linux/x11/clipboard_targets.h"
#include "platform/linux/x11/x11_clipboard.h"

namespace axb::platform {

// The route of the paste under way picks the clipboard: X11's, or the compositor's.
std::int64_t pasteboardChangeCount() {
  switch (wayland::pasteRoute()) {
    case wayland::PasteRoute::WaylandProtocols:
    case wayland::PasteRoute::PortalKeystroke:
      return wayland::clipboard::changeCount();
    case wayland::PasteRoute::MutterRemoteDesktop:
      return wayland::remote_desktop::changeCount();
    case wayland::PasteRoute::X11:
    case wayland::PasteRoute::None:
      break;
  }
  return x11::clipboardChangeCount();
}

// X11 has no privacy setting for the clipboard; an owner that does not answer is passed over.
bool pasteboardReadsRefused() {
  return false;
}

PasteboardContents pasteboardContents() {
  switch (wayland::pasteRoute()) {
    case wayland::PasteRoute::WaylandProtocols:
    case wayland::PasteRoute::PortalKeystroke:
      return {x11::itemsFromTargets(wayland::clipboard::read())};
    case wayland::PasteRoute::MutterRemoteDesktop:
      return {x11::itemsFromTargets(wayland::remote_desktop::read())};
    case wayland::PasteRoute::X11:
    case wayland::PasteRoute::None:
      break;
  }
  return {x11::itemsFromTargets(x11::readClipboard())};
}

std::optional<std::string> pasteboardString() {
  switch (wayland::pasteRoute()) {
    case wayland::PasteRoute::WaylandProtocols:
    case wayland::PasteRoute::PortalKeystroke:
      return wayland::clipboard::readText();
    case wayland::PasteRoute::MutterRemoteDesktop:
      return wayland::remote_desktop::readText();
    case wayland::PasteRoute::X11:
    case wayland::PasteRoute::None:
      break;
  }
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
  switch (wayland::pasteRoute()) {
    case wayland::PasteRoute::WaylandProtocols:
    case wayland::PasteRoute::PortalKeystroke:
      return wayland::clipboard::own(x11::targetsFromItems(items));
    case wayland::PasteRoute::MutterRemoteDesktop:
      return wayland::remote_desktop::own(x11::targetsFromItems(items));
    case wayland::PasteRoute::X11:
    case wayland::PasteRoute::None:
      break;
  }
  // Contents marked transient stay out of clipboard managers' hands.
  return x11::ownClipboard(x11::targetsFromItems(items), !transient);
}

}  // namespace axb::platform
