#!/usr/bin/env bash
# Hand-made mutants of the library's behaviour: each is one exact textual replacement in one file
# (a condition inverted, a guard removed, an off-by-one, a registration not withdrawn, a clipboard
# not given back, an event name changed). Each is applied in turn, built incrementally, and the
# suites of its layer run against it; a mutant the suites do not notice "survived". The tree is
# put back after each one, also when interrupted. Not part of scripts/test.sh: a whole table takes
# hours.
#
# usage: scripts/mutants.sh [options]
#   --id ID          run this mutant (repeatable)
#   --layer LAYER    run the mutants of a layer: core, sim, linux or kits (repeatable)
#   --out FILE       also write the table (markdown) to FILE
#   --build DIR      the simulated flavour's build (default build)
#   --linux-build DIR the Linux flavour's build (default build-linux)
#   --no-baseline    skip running each layer's suites on the unchanged tree first
#   --list           list the mutants and exit
#   --check          check that every mutant still applies (its text found exactly once) and exit
#
# Layers and what runs: core and sim, the whole ctest of the simulated build; kits, the node or
# Python kit's own tests on the simulated library; linux, for each mutant the tests it names (a
# runner, a gtest filter, a limit in seconds, see lm below). A build that fails counts apart
# ("broken"), a suite that times out as killed. Builds and tests run under nice -n 19.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

build=build
linux_build=build-linux
out=
baseline=1
list=0
check=0
ids=()
layers=()
while (($#)); do
  case $1 in
    --id) ids+=("$2"); shift 2 ;;
    --layer) layers+=("$2"); shift 2 ;;
    --out) out=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --linux-build) linux_build=$2; shift 2 ;;
    --no-baseline) baseline=0; shift ;;
    --list) list=1; shift ;;
    --check) check=1; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

# ---- The mutants: id, file, what it breaks, old text, new text.

m_id=() m_file=() m_what=() m_old=() m_new=() m_runner=() m_filter=() m_limit=()
m() {
  m_id+=("$1") m_file+=("$2") m_what+=("$3") m_old+=("$4") m_new+=("$5")
  m_runner+=("${l_runner:-}") m_filter+=("${l_filter:-}") m_limit+=("${l_limit:-}")
}
# lm RUNNER FILTER SECONDS ID FILE WHAT OLD NEW: a Linux mutant, killed by the tests of the gtest
# FILTER under RUNNER within SECONDS (past them it counts as killed). Runners:
#   unit   the Linux unit binary, no desktop
#   x11    the end-to-end binary on an X11 desktop with a window manager (scripts/linux-e2e.sh)
#   bare   the same desktop without a window manager
#   sway   the end-to-end binary in a headless sway session (scripts/headless-sway.sh)
#   other  the same session without sway's socket, as another compositor's
#   gnome  the end-to-end binary in a headless GNOME session (scripts/headless-gnome.sh)
lm() {
  local l_runner=$1 l_filter=$2 l_limit=$3
  shift 3
  m "$@"
}

# The bridge: entry points, the event channel, the blocked list.
m bridge-old-tracker-kept src/bridge/entry_points.cpp \
  "a replaced tracker is not stopped" \
  'replaced->stop();' ''
m bridge-replaced-not-taken-over src/bridge/entry_points.cpp \
  "a replacement does not follow what the replaced tracker followed" \
  'current->takeOverReplaced();' ''
m bridge-start-null src/bridge/entry_points.cpp \
  "start(NULL) is not refused" \
  'if (!current || blocked_fields_json == nullptr) return;' 'if (!current) return;'
m bridge-null-callback src/bridge/event_channel.cpp \
  "an event is delivered to a null callback" \
  'if (state.observer_callback == nullptr) return;' ''
m bridge-nan-payload src/bridge/event_channel.cpp \
  "a payload with a non-finite number is delivered" \
  'if (!allNumbersFinite(payload)) return std::nullopt;' ''
m bridge-nesting-off-by-one src/bridge/blocked_list_parser.cpp \
  "the blocked list's nesting limit is one too low" \
  'tooDeep = ++depth_ > kBlockedListMaxNesting;' 'tooDeep = ++depth_ >= kBlockedListMaxNesting;'
m bridge-entry-shape src/bridge/blocked_list_parser.cpp \
  "a blocked list entry that is no object is skipped, not refused" \
  'if (!entry.is_object()) return BlockedListWrongShape{};' 'if (!entry.is_object()) continue;'

# Blocked fields.
m blocked-selection-leaked src/tracker/selection_handler.cpp \
  "a blocked field's selection is reported" \
  $'  if (isBlockedField(element)) {\n    platform::writeDiagnosticLine("blocked");\n    return;\n  }\n\n  if (selected) {' \
  $'  if (selected) {'
m blocked-exact-match src/tracker/selection_handler.cpp \
  "blocked values are compared byte for byte, not canonically" \
  'return canonicallyEquivalent(*actual, *blocked);' 'return *actual == *blocked;'
m blocked-both-missing src/tracker/selection_handler.cpp \
  "a field without the attribute matches no entry without a value" \
  'if (!actual || !blocked) return !actual && !blocked;' 'if (!actual || !blocked) return false;'
m blocked-resize-leaked src/tracker/focus_handlers.cpp \
  "a blocked field's selection is reported on a window resize" \
  $'  if (isBlockedField(element)) {\n    platform::writeDiagnosticLine("blocked");\n    return;\n  }\n  callback(events::kUiResized' \
  $'  callback(events::kUiResized'
m blocked-context-leaked src/tracker/assistant_request.cpp \
  "a blocked field's text is given as assistant context" \
  $'  if (isBlockedField(*focused)) {\n    platform::writeDiagnosticLine("blocked");\n    return;\n  }' ''

# Events and payloads.
m event-ui-resized-name src/events/event_catalogue.h \
  '"ui_reized" spelled right' 'kUiResized[] = "ui_reized"' 'kUiResized[] = "ui_resized"'
m event-caret-missing src/tracker/selection_handler.cpp \
  "no caret event for an empty selection" \
  'callback(events::kCaret, EventDictionary::object());' ''
m event-focus-no-role src/tracker/focus_handlers.cpp \
  "a focus change to an element without a role is reported" \
  'if (!ax::getAttributeValue<std::string>(element, platform::attributes::kRole)) return;' ''
m event-app-changed-name src/tracker/app_switch.cpp \
  '"app_changed" renamed (with a focused element)' \
  $'    callback(events::kAppChanged,\n             EventDictionary{{events::key::kRole, textOrNull(role)},' \
  $'    callback("app_change",\n             EventDictionary{{events::key::kRole, textOrNull(role)},'
m snapshot-negative-x src/tracker/selection_snapshot.cpp \
  "a selection's negative x is reported as it came" \
  'Rect{std::abs(bounds->x), bounds->y,' 'Rect{bounds->x, bounds->y,'
m snapshot-swapped-y src/tracker/selection_snapshot.cpp \
  "the swapped markers' y is taken even when it is not positive" \
  'swapped->y > 0 ? swapped->y : forward->y' 'swapped->y'
m snapshot-no-fallback-message src/tracker/selection_snapshot.cpp \
  "without the swapped markers' rectangle the other message is given" \
  'if (!swapped) return messagePayload(kNoFallbackGeometry);' \
  'if (!swapped) return messagePayload(kNoGeometry);'
m snapshot-text-without-rectangle src/tracker/selection_snapshot.cpp \
  "without any rectangle the selected text is left out" \
  'payload["selected_text"] = text;' ''
m context-empty-field src/tracker/assistant_request.cpp \
  "an empty field gives context" \
  'if (!characters || *characters <= 0) return;' 'if (!characters || *characters < 0) return;'
m context-caret-at-end src/tracker/assistant_request.cpp \
  "at the end of the text, the character after the caret is asked (past the end)" \
  'selection->location == *characters ? *characters - 1 : selection->location' \
  'selection->location'
m context-selection-beyond src/tracker/assistant_request.cpp \
  "a caret exactly at the end is taken for one beyond the text" \
  'if (selection && selection->location > *characters) selection.reset();' \
  'if (selection && selection->location >= *characters) selection.reset();'

# Pasting and the clipboard.
m paste-clipboard-not-restored src/tracker/replace_text.cpp \
  "the user's clipboard is not given back" \
  $'    platform::pasteboardReplace(itemsToGiveBack(*saved));\n  }\n  platform::writeDiagnosticLine("Task ended");' \
  $'  }\n  platform::writeDiagnosticLine("Task ended");'
m paste-refused-write-not-given-back src/tracker/replace_text.cpp \
  "a clipboard cleared by a refused write is not given back" \
  'if (platform::pasteboardChangeCount() != savedChangeCount) {' 'if (false) {'
m paste-keys-refusal-ignored src/tracker/replace_text.cpp \
  "pastes although the keystroke cannot arrive" \
  'if (const auto refusal = platform::syntheticKeysRefused()) {' \
  'if (const auto refusal = std::optional<platform::KeysRefusal>()) {'
m paste-newer-copy-overwritten src/tracker/replace_text.cpp \
  "a copy the user made meanwhile is overwritten" \
  'if (platform::pasteboardChangeCount() == *ownWrite) {' 'if (true) {'
m paste-not-in-front src/tracker/replace_text.cpp \
  "pastes although the application is not in front or not answering" \
  'if (target != PasteTarget::Ready) {' 'if (false) {'
m paste-wrong-pid src/tracker/replace_text.cpp \
  "any application in front counts as the followed one" \
  'if (inFront.error == platform::axerr::kSuccess && inFront.pid == pid) return std::nullopt;' \
  'if (inFront.error == platform::axerr::kSuccess) return std::nullopt;'
m paste-refused-reads src/tracker/replace_text.cpp \
  "pastes over a clipboard it may not read" \
  'if (platform::pasteboardReadsRefused()) {' 'if (false) {'
m paste-write-failure src/tracker/replace_text.cpp \
  "a failed clipboard write still pastes" \
  'if (!ownWrite) {' 'if (false) {'
m clipboard-concealed-given-back src/tracker/clipboard_snapshot.cpp \
  "a concealed (password) item is given back" \
  'if (isConcealed(item) || item.representations.empty()) continue;' \
  'if (item.representations.empty()) continue;'
m clipboard-not-transient src/tracker/clipboard_snapshot.cpp \
  "the library's own text is not marked transient" \
  'item.representations.emplace_back(platform::kTransientType, "");' ''
m clipboard-unreadable-taken src/tracker/clipboard_snapshot.cpp \
  "an unreadable clipboard is taken for an empty one" \
  'if (contents.unreadTypes > 0 && !anyRead) return std::nullopt;' ''

# Following applications and registrations.
m follow-own-process src/tracker/app_switch.cpp \
  "the host's own process is followed" \
  'if (pid == platform::currentProcessId()) return;' ''
m follow-background-launch src/tracker/app_switch.cpp \
  "an application launched in the background is followed" \
  'if (inFront.error != platform::axerr::kSuccess || inFront.pid != pid) return;' \
  'if (inFront.error != platform::axerr::kSuccess) return;'
m follow-unfinished-launch src/tracker/app_switch.cpp \
  "an application still launching is followed" \
  'if (!app->isFinishedLaunching()) return;' ''
m follow-previous-not-withdrawn src/tracker/app_switch.cpp \
  "the previous application's registrations are not withdrawn on a switch" \
  $'  // Only the followed application\'s notifications may reach the handlers.\n  ax::withdrawRegistrationsOf(this);' ''
m follow-terminated-not-withdrawn src/tracker/app_switch.cpp \
  "a terminated application's registrations are not withdrawn" \
  'ax::withdrawRegistrations(app->processIdentifier());' ''
m follow-returing-line src/tracker/app_switch.cpp \
  '"returing" spelled right' 'platform::writeDiagnosticLine("returing");' \
  'platform::writeDiagnosticLine("returning");'
m follow-old-focus-kept src/tracker/focus_handlers.cpp \
  "the element focus left keeps its selection registration" \
  $'    ax::withdrawRegistration(*watchedFocusedElement_, platform::notifications::kSelectedTextChanged,\n                             selectedTextChange(), this);' ''
m follow-other-app-heard src/tracker/mac_accessibility.h \
  "notifications of an application followed earlier reach the handlers" \
  'if (tracker->concernsFollowedApp(element)) ((*tracker).*handler)(element);' \
  '((*tracker).*handler)(element);'
m follow-stop-keeps-subscriptions src/tracker/mac_accessibility.cpp \
  "a stopped tracker keeps its workspace subscriptions" \
  'ax::withdrawSubscriptionsOf(this);' ''
m retry-no-backoff src/tracker/mac_accessibility.cpp \
  "a busy application is asked again at the first interval forever" \
  'nextRetrySeconds_ = std::min(nextRetrySeconds_ * 2, kLongestRetrySeconds);' ''
m retry-while-host-in-front src/tracker/mac_accessibility.cpp \
  "the retry asks while the host is in front" \
  'if (hostIsInFront()) return;' ''
m retry-busy-refused src/ax/observers.cpp \
  "an unanswered registration counts as refused (never retried)" \
  'return added == platform::axerr::kCannotComplete ? RegistrationResult::Unanswered' \
  'return added == platform::axerr::kCannotComplete ? RegistrationResult::Refused'

# Untrusted values.
m attribute-no-value-prints src/ax/attributes.cpp \
  "an attribute without a value prints an error line" \
  $'    case platform::axerr::kNoValue:\n      return std::nullopt;\n' ''
m attribute-not-implemented-line src/ax/attributes.cpp \
  "an attribute not implemented prints the generic line" \
  '" Attribute not implemented"' '" Error retrieving attribute"'
m attribute-list-silent src/ax/attributes.cpp \
  "a failed attribute list prints nothing" \
  $'    platform::writeDiagnosticLine(std::to_string(copied.error) +\n                                  " Error retrieving attribute list");\n' ''
m values-negative-location src/ax/attributes.cpp \
  "a range with a negative location is accepted" \
  'return range.location >= 0 && range.length >= 0 &&' 'return range.length >= 0 &&'
m values-fraction-integer src/ax/attributes.cpp \
  "a fractional number is taken for an integer" \
  'if (!std::isfinite(number) || std::trunc(number) != number) return std::nullopt;' \
  'if (!std::isfinite(number)) return std::nullopt;'
m values-infinite-rect src/ax/attributes.cpp \
  "a rectangle with an infinite height is accepted" \
  $'return std::isfinite(rect.x) && std::isfinite(rect.y) && std::isfinite(rect.width) &&\n         std::isfinite(rect.height);' \
  'return std::isfinite(rect.x) && std::isfinite(rect.y) && std::isfinite(rect.width);'

# The mouse over the host's windows, and the event timing.
m mouse-click-inside-reported src/window/window_tracker.cpp \
  "a click inside the host's window is reported as outside" \
  'if (*sink_.isInWindow) return;' ''
m mouse-hover-name src/events/event_catalogue.h \
  '"mouse_hoverd" spelled right' 'kMouseHovered[] = "mouse_hoverd"' 'kMouseHovered[] = "mouse_hovered"'
m mouse-exit-no-activation src/window/window_tracker.cpp \
  "leaving the host's window does not bring the followed application back" \
  'sink_.activateFollowedApplication();' ''
m mouse-host-delegate-replaced src/window/mouse_tracking.cpp \
  "the host's own window delegate is replaced" \
  'if (!window->hasDelegate()) window->setDelegate(tracker.get());' \
  'window->setDelegate(tracker.get());'
m mouse-closed-under-pointer src/window/mouse_tracking.cpp \
  "a window closing under the pointer leaves the pointer counted inside" \
  'if (watched->tracker) watched->tracker->windowClosedUnderPointer();' ''
m timing-no-second-wait src/timing/debounce.cpp \
  "events are delivered one interval early" \
  'platform::scheduleTimerOnCurrentRunLoop(interval, std::move(action));' 'action();'

# The simulated desktop and its binding: it must behave like the real platform.
m sim-command-release-flag src/platform/sim/keyboard.cpp \
  "Command's release keeps the Command flag" \
  'event.flags = keyCode == sim::kKeyCodeCommand && !keyDown ? 0 : sim::kCommandFlag;' \
  'event.flags = sim::kCommandFlag;'
m sim-observer-other-process src/platform/sim/observer.cpp \
  "an observer accepts another process's element" \
  'if (target->pid != observer.pid) return axerr::kIllegalArgument;' ''
m sim-activation-announces-focus src/sim_desktop/desktop_apps.cpp \
  "every application announces its focus when activated" \
  'if (!app->spec.announcesFocusOnActivation) return;' ''
m sim-untrusted-focus src/platform/sim/accessibility.cpp \
  "an untrusted process is told the focused application" \
  'if (!desktop.trusted()) return {axerr::kAPIDisabled, 0};' ''
m sim-concealed-read src/sim_desktop/desktop_pasteboard.cpp \
  "a concealed item's data is read" 'if (isConcealed(item)) {' 'if (false) {'
m sim-refused-empty src/sim_desktop/desktop_pasteboard.cpp \
  "an empty clipboard counts as refusing reads" \
  'return state_->pasteboardReads == PasteboardReads::Refused && !state_->pasteboardItems.empty();' \
  'return state_->pasteboardReads == PasteboardReads::Refused;'
m sim-write-never-fails src/sim_desktop/desktop_pasteboard.cpp \
  "a clipboard write never fails" \
  'if (state_->pasteboardWritesToRefuse > 0) {' 'if (false) {'
m sim-refused-write-keeps-clipboard src/sim_desktop/desktop_pasteboard.cpp \
  "a refused clipboard write leaves the clipboard as it was" \
  $'    replacePasteboard({});\n    return std::nullopt;' '    return std::nullopt;'
m sim-hung-types-at-once src/sim_desktop/desktop_keys.cpp \
  "a hung application handles keys at once" 'if (isHung(desktop, *app)) {' 'if (false) {'
m sim-paste-into-static src/sim_desktop/desktop_keys.cpp \
  "Command-V types into an element that takes no text" \
  'if (!app->focused || !acceptsTyping(*app->focused)) return;' 'if (!app->focused) return;'
m sim-refusing-activation src/sim_desktop/desktop_apps.cpp \
  "an application that refuses activation comes forward" \
  'if (record->spec.refusesActivation) return false;' ''
m sim-destroyed-application-hears src/sim_desktop/desktop_observers.cpp \
  "a destroyed application element still hears its elements" \
  'return target.application && !target.destroyed && target.pid == changed.pid;' \
  'return target.application && target.pid == changed.pid;'
m sim-no-run-loop-source src/sim_desktop/desktop_observers.cpp \
  "an observer without a run-loop source delivers" \
  'if (!observer || !observer->alive || !observer->sourceAdded) continue;' \
  'if (!observer || !observer->alive) continue;'
m sim-always-launched src/platform/sim/workspace.cpp \
  "every application has finished launching" \
  'return impl_->record->finishedLaunching;' 'return true;'
m sim-host-delegate-unseen src/platform/sim/window.cpp \
  "the host's own window delegate goes unseen" \
  'return impl_->spec.hostDelegate || impl_->delegate != nullptr;' \
  'return impl_->delegate != nullptr;'

# The Linux binding.
lm x11 'PasteTest.*' 150 linux-paste-key src/platform/linux/x11/paste_keys.cpp \
  "the paste shortcut types Control-C" \
  'constexpr xcb_keysym_t kLetterV = 0x0076;' 'constexpr xcb_keysym_t kLetterV = 0x0063;'
lm unit 'Keyboard.*' 60 linux-keys-without-display src/platform/linux/keyboard.cpp \
  "keys count as reaching a desktop there is none of" \
  'if (!x11::canPostKeys()) return KeysRefusal::NoDesktop;' ''
lm x11 'PasteTest.*' 150 linux-transient-to-manager src/platform/linux/pasteboard.cpp \
  "the library's transient text is handed to the clipboard manager" \
  'return x11::ownClipboard(x11::targetsFromItems(items), !transient);' \
  'return x11::ownClipboard(x11::targetsFromItems(items), true);'
lm x11 'PasteTest.*' 150 linux-no-hand-off src/platform/linux/x11/clipboard_hand_off.cpp \
  "the clipboard given back is not handed to the clipboard manager" \
  'if (ownerOf(cb, manager) == XCB_WINDOW_NONE) return;' 'return;'
lm x11 'MouseTrackingTest.*' 120 linux-right-button src/platform/linux/x11/host_windows.cpp \
  "a right click is no mouse-down" \
  'return button == 1 || button == 3;' 'return button == 1;'
lm unit 'TextOffsets.*' 60 linux-padding-counted src/platform/linux/atspi/text_offsets.cpp \
  "the padding after a character outside the basic plane counts as a unit" \
  'return codePoint == kPadding && previous >= 0x10000 ? 0 : unitsOf(codePoint);' \
  'return unitsOf(codePoint);'
lm unit 'Roles.*' 60 linux-password-role src/platform/linux/atspi/roles.cpp \
  "a password field does not keep its text secret" \
  'return facts.role == ATSPI_ROLE_PASSWORD_TEXT;' 'return false;'
lm unit 'WindowCoordinates.*' 60 linux-shadow-counted src/platform/linux/x11/frame_extents.cpp \
  "the shadow of client-side decorations is taken for content" \
  'return Point{windowOrigin.x + frame.left, windowOrigin.y + frame.top};' \
  'return Point{windowOrigin.x, windowOrigin.y};'
lm unit 'LineBoxes.*' 60 linux-line-break-boxed src/platform/linux/atspi/line_boxes.cpp \
  "a line's break widens its box" \
  'if (known && line.value.endsWithBreak && last == line.value.end - 1 && last > offset) --last;' \
  ''

# Wayland sessions: telling the desktop, sway, the virtual keyboard, the clipboard protocols.
lm sway 'WaylandTest*' 240 wl-sway-app-id-unused src/platform/linux/wayland/session.cpp \
  "a native application in sway is not named by its Wayland application id" \
  'return sway::isX11Window(pid) ? std::nullopt : sway::applicationIdOf(pid);' \
  'return std::nullopt;'
lm gnome 'Gnome*' 240 wl-mutter-pipe-kept src/platform/linux/wayland/mutter_remote_desktop.cpp \
  "the pipe an application pastes through is not closed once written" \
  $'      ::close(fd);\n    }\n  }\n  call(s, "SelectionWriteDone"' $'    }\n  }\n  call(s, "SelectionWriteDone"'
lm sway 'WaylandTest*' 240 wl-sway-tree-kept src/platform/linux/wayland/sway_ipc.cpp \
  "sway's tree is read once and never again (windows moved or switched since go unseen)" \
  'if (!s.treeStale && s.treeReadAt - s.lastPlacing >= kSettling) return s.views;' \
  'if (!s.views.empty() || (!s.treeStale && s.treeReadAt - s.lastPlacing >= kSettling)) return s.views;'
lm other 'OtherWayland*' 120 wl-protocols-taken-for-sway \
  src/platform/linux/wayland/paste_route.cpp \
  "any compositor offering the keyboard and clipboard protocols is pasted into as sway is" \
  'if (running == Desktop::Sway && keyboard::available() && clipboard::available()) {' \
  'if (keyboard::available() && clipboard::available()) {'
lm sway 'WaylandTest*' 240 wl-dc-pipe-kept src/platform/linux/wayland/data_control.cpp \
  "the pipe an application pastes through is not closed once written" \
  'if (transfer.fd >= 0) ::close(transfer.fd);' ''
lm other 'OtherWayland*' 120 wl-no-route-pastes src/platform/linux/keyboard.cpp \
  "a desktop with no way to paste into counts as one the keys reach" \
  'return KeysRefusal::NotSupported;' 'return std::nullopt;'
lm sway 'WaylandTest*' 240 wl-sway-first-view-focused src/platform/linux/wayland/sway_ipc.cpp \
  "the first window in sway's tree counts as the focused one" \
  'if (view.focused) return view.pid;' 'return view.pid;'
lm unit 'SwayTree.*' 30 wl-sway-window-rect-ignored src/platform/linux/wayland/sway_tree.cpp \
  "a view's content origin leaves out its decorations' offset" \
  'view.contentOrigin = Point{rect.x + content.x, rect.y + content.y};' \
  'view.contentOrigin = Point{rect.x, rect.y};'
lm sway 'WaylandTest*' 240 wl-paste-without-control \
  src/platform/linux/wayland/virtual_keyboard.cpp \
  "the virtual keyboard types V without Control held" \
  'zwp_virtual_keyboard_v1_modifiers(k->device, k->controlMask, 0, 0, 0);' \
  'zwp_virtual_keyboard_v1_modifiers(k->device, 0, 0, 0, 0);'
lm sway 'WaylandTest*' 240 wl-dc-write-count-early src/platform/linux/wayland/data_control.cpp \
  "a clipboard write's count is answered before the compositor announced the write" \
  'while (cb->changes == before && monotonicSeconds() < deadline) {' 'while (false) {'
lm gnome 'Gnome*' 240 wl-mutter-write-count-early \
  src/platform/linux/wayland/mutter_remote_desktop.cpp \
  "a clipboard write's count is answered before mutter announced the new owner" \
  'while (s->changes == before && monotonicSeconds() < deadline && !s->closed) {' \
  'while (false) {'
lm gnome 'Gnome*' 240 wl-mutter-types-wrapped src/platform/linux/wayland/mutter_remote_desktop.cpp \
  "the clipboard's types mutter sends wrapped in a tuple are not unwrapped" \
  'if (types && g_variant_is_of_type(types.get(), G_VARIANT_TYPE("(as)"))) {' 'if (false) {'
lm gnome 'Gnome*' 240 wl-mutter-paste-without-control \
  src/platform/linux/wayland/mutter_remote_desktop.cpp \
  "the paste chord is sent without Control held" \
  '{std::pair{kControlL, true}, std::pair{kLetterV, true},' '{std::pair{kLetterV, true},'
lm sway 'WaylandTest*' 240 wl-dc-types-not-offered src/platform/linux/wayland/data_control.cpp \
  "the library's clipboard offers none of its types to the compositor" \
  'Calls::offer(source, type.c_str());' ''

lm other 'OtherWayland*' 120 wl-portal-grant-ignored src/platform/linux/wayland/paste_route.cpp \
  "the desktop's portal types the paste without the user's grant" \
  'if (portal::granted() && clipboard::available()) return PasteRoute::PortalKeystroke;' \
  'if (clipboard::available()) return PasteRoute::PortalKeystroke;'
lm other 'OtherWayland*' 120 wl-portal-close-unheard \
  src/platform/linux/wayland/portal_remote_desktop.cpp \
  "a portal session the user ended is still typed through" \
  $'  Grant& g = grant();\n  g.session.clear();\n  endSession();\n}' $'}'
lm unit 'DataControl.*' 60 wl-standard-data-control-passed-over \
  src/platform/linux/wayland/data_control.cpp \
  "the wlroots clipboard interface is taken where the standard one is offered too" \
  'if (standardOffered) return Interface::Standard;' \
  'if (standardOffered && !wlrootsOffered) return Interface::Standard;'
lm sway 'WaylandFloating*' 120 wl-floating-shadow-counted src/platform/linux/atspi/accessible_reads.cpp \
  "a floating window's own shadow is taken for content" \
  'nativeOrigin_ = Point{nativeOrigin_->x - visible->x, nativeOrigin_->y - visible->y};' ''

# The X11 desktop: the host's windows, the front window, the clipboard's connection and serving.
lm x11 'MouseTrackingTest.*' 120 linux-clicks-heard-untracked \
  src/platform/linux/x11/host_windows.cpp \
  "button presses keep waking the host when nothing listens for them" \
  'if (!d.listeners.empty()) wanted |= XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS;' \
  'wanted |= XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS;'
lm x11 'MouseTrackingTest.*' 120 linux-destroyed-window-kept \
  src/platform/linux/x11/host_windows.cpp \
  "a destroyed host window stays tracked (the pointer counted inside)" \
  'if (const auto window = findWindow(d, notify.window)) windowDestroyed(d, window);' ''
lm x11 'MouseTrackingTest.*' 120 linux-middle-button src/platform/linux/x11/host_windows.cpp \
  "a middle-button press counts as a mouse-down" \
  'return button == 1 || button == 3;' 'return button <= 3;'
lm x11 'MouseTrackingTest.*' 120 linux-raw-motion-ignored src/platform/linux/x11/host_windows.cpp \
  "the pointer's raw motion is selected but not looked at" \
  'if (d.selected & XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) lookAtPointer(d);' 'if (false) lookAtPointer(d);'
lm bare 'MouseTrackingTest.*' 120 linux-bare-activation-unfocused \
  src/platform/linux/x11/x11_desktop.cpp \
  "without a window manager, an activated application is raised but not given the focus" \
  'xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);' ''
lm x11 'PasteTest.*' 150 linux-targets-unanswered src/platform/linux/x11/clipboard_serving.cpp \
  "a request for the clipboard's TARGETS is refused" \
  'if (target == atom(cb, "TARGETS")) {' 'if (false) {'
lm x11 'HostileClipboard*' 120 linux-transfers-uncapped src/platform/linux/x11/clipboard_serving.cpp \
  "one client may hold any number of unfinished transfers" \
  'return static_cast<std::size_t>(fromClient) < kTransfersPerClient;' 'return true;'
lm x11 'Clipboard.*:PasteTest.*' 180 linux-changes-unwatched \
  src/platform/linux/x11/clipboard_connection.cpp \
  "clipboard changes are not watched (other clients' copies not counted)" \
  'if (xfixes && xfixes->present) {' 'if (false) {'

# Accessibility: reading elements, the events, the observers, the workspace.
lm x11 'ToolkitTest/Firefox.*-*.ASwitch*' 240 linux-document-paragraph src/platform/linux/accessibility.cpp \
  "a paragraph of a document is no text area of its own" \
  'if (facts->role == ATSPI_ROLE_PARAGRAPH && atspi::isDocumentParagraph(accessible.get())) {' \
  'if (false) {'
lm x11 'FollowingTest.*' 150 linux-secret-text-read src/platform/linux/accessibility.cpp \
  "a password field's text and length are read" \
  'if (atspi::keepsTextSecret(*facts) &&' 'if (false &&'
lm x11 'FollowingTest.*' 150 linux-selection-unread src/platform/linux/atspi/accessible_reads.cpp \
  "an element's selection is never read, only its caret" \
  'if (selections <= 0) return {axerr::kSuccess, std::nullopt};' \
  'if (true) return {axerr::kSuccess, std::nullopt};'
lm x11 'FollowingTest.*' 150 linux-state-change-unheard src/platform/linux/atspi/state_memo.cpp \
  "a kept state does not follow the application's state-changed signal" \
  'if (bool* state = field(found->second, name.substr(colon + 1))) *state = holds;' ''
lm x11 'ToolkitTest/Gtk4.*' 240 linux-states-kept-over-activation \
  src/platform/linux/atspi/event_hub.cpp \
  "kept states outlive a window coming to the front, where toolkits move their focus silently" \
  'if (event.kind == DesktopEventKind::WindowActivated) forgetStates();' ''
lm x11 'FollowingTest.*' 150 linux-no-request-timeout src/platform/linux/atspi/atspi_session.cpp \
  "a stopped application costs the bus's default timeout on every request" \
  'atspi_set_timeout(kRequestTimeoutMilliseconds, -1);' ''
lm x11 'FollowingTest.*' 150 linux-relayout-resized src/platform/linux/atspi/event_hub.cpp \
  "a window laid out again at the same size counts as resized" \
  'if (size && !resized(source, *size)) return;' ''
lm x11 'MouseTrackingTest.*' 120 linux-click-listener-kept src/platform/linux/window.cpp \
  "a host window's click listener is not withdrawn when it goes" \
  '~Impl() { x11::removeMouseDownListener(listener); }' '~Impl() {}'
lm x11 'BindingContract.*' 90 linux-timer-not-withdrawn src/platform/linux/run_loop.cpp \
  "a withdrawn timer still fires" \
  '{ g_source_destroy(source.get()); });' '{});'
lm x11 'ApplicationContract.*' 90 linux-stranger-registration src/platform/linux/observer.cpp \
  "an observer takes a registration on another process's element" \
  'if (owner && *owner != impl_->pid) return axerr::kIllegalArgument;' ''
lm x11 'FollowingTest.*:PasteTest.*' 240 linux-exit-unreported src/platform/linux/workspace.cpp \
  "an application that quits is never reported terminated" \
  $'  ended(pid);\n  return G_SOURCE_REMOVE;' '  return G_SOURCE_REMOVE;'
lm x11 'FollowingTest.*' 150 linux-prompt-keeps-off src/platform/linux/atspi/trust.cpp \
  "the prompt does not switch the desktop's accessibility on" \
  'if (switchOn && !enabled) {' 'if (false) {'

# Text, roles and handles (the unit suite).
lm unit 'TextOffsets.*' 60 linux-pair-split src/platform/linux/atspi/text_offsets.cpp \
  "a range ending inside a surrogate pair leaves out the character" \
  'if (end.units < endUnits) end = next(end);' ''
lm unit 'CaretBounds.*' 60 linux-caret-left-of-previous src/platform/linux/atspi/caret_bounds.cpp \
  "a caret placed from the character before it is drawn on that character's left edge" \
  'if (source == CaretSource::kPreviousCharacter) caret.x += caret.width;' ''
lm unit 'Roles.*' 60 linux-text-view-field src/platform/linux/atspi/roles.cpp \
  "a multi-line text is a text field" \
  'if (facts.multiLine) return platform::roles::kTextArea;' ''
lm unit 'ClipboardTargets.*' 60 linux-latin1-too-wide src/platform/linux/x11/clipboard_targets.cpp \
  "text beyond Latin-1 is offered as STRING" \
  'if ((lead != 0xC2 && lead != 0xC3) || i + 1 >= text.size()) return std::nullopt;' \
  'if (i + 1 >= text.size()) return std::nullopt;'
lm unit 'TextOffsets.*' 60 linux-astral-one-unit src/platform/linux/atspi/text_offsets.cpp \
  "a character outside the basic plane counts one UTF-16 unit" \
  'return codePoint >= 0x10000 ? 2 : 1;' 'return 1;'
lm unit 'TextOffsets.*' 60 linux-padding-kept src/platform/linux/atspi/text_offsets.cpp \
  "the padding after a character outside the basic plane stays in the text" \
  'if (codePoint != kPadding || previous < 0x10000) kept.append' 'kept.append'
lm unit 'CaretBounds.*' 60 linux-zero-caret-box src/platform/linux/atspi/caret_bounds.cpp \
  "a zero rectangle counts as the caret's box" 'return !(rect == Rect{});' 'return true;'
lm unit 'TextOffsets.*' 60 linux-range-overflow src/platform/linux/atspi/text_offsets.cpp \
  "a range whose end overflows is not refused" \
  'if (range.length > std::numeric_limits<std::int64_t>::max() - range.location) return std::nullopt;' \
  ''
lm unit 'Roles.*' 60 linux-password-no-secure-subrole src/platform/linux/atspi/roles.cpp \
  "a password field is no secure text field" \
  'if (facts.role == ATSPI_ROLE_PASSWORD_TEXT) return platform::subroles::kSecureTextField;' ''
lm unit 'SwayTree.*' 30 wl-sway-xwayland-unseen src/platform/linux/wayland/sway_tree.cpp \
  "an XWayland view in sway's tree is taken for a native one" \
  'view.x11 = text(node, "shell") == "xwayland";' 'view.x11 = false;'
lm unit 'ClipboardTargets.*' 60 linux-hint-not-concealed src/platform/linux/x11/clipboard_targets.cpp \
  "a password manager's hint is not read as a concealed item" \
  'if (target == kPasswordManagerHintTarget) return kConcealedType;' ''
lm unit 'IncrChunks.*' 60 linux-incr-no-empty-end src/platform/linux/x11/clipboard_targets.cpp \
  "an INCR transfer of an exact multiple of the chunk ends without its empty chunk" \
  'if (offset_ >= data_->size()) {' 'if (offset_ > data_->size()) {'
lm unit 'GRef*' 60 linux-array-refs-kept src/platform/linux/glib/g_ref.h \
  "an array's references are not released with it" \
  'if (T* object = at(i)) GRefCount<T>::unref(object);' ''
lm x11 'ToolkitTest/Writer.*-*.ASwitch*' 240 linux-document-unrecognised \
  src/platform/linux/atspi/paragraph_flow.cpp \
  "a document's text is not recognised as one document" \
  'if (role.value == ATSPI_ROLE_DOCUMENT_TEXT) return {axerr::kSuccess, true};' ''

# The host kits.
m node-context-event bindings/node/axbridge.js \
  "getContext() listens for the wrong event" \
  "if (name === 'alt_enter_pressed') this._answerContext(data);" \
  "if (name === 'alt_enter') this._answerContext(data);"
m node-nul-text bindings/node/axbridge.js \
  "text with a NUL is passed on (cut short)" \
  "if (value.includes('\\0')) throw new TypeError(\`\${argument} must not contain NUL\`);" ''
m node-handle-range bindings/node/axbridge.js \
  "a window handle one past the pointer range is accepted" \
  'if (handle < 0n || handle >= pointerLimit)' 'if (handle < 0n || handle > pointerLimit)'
m node-late-context bindings/node/axbridge.js \
  "a context that comes after the deadline is accepted" \
  'const late = this._clock() > this._context.deadline;' 'const late = false;'
m node-listener-hides-event bindings/node/axbridge.js \
  'the listeners get the event through emit(): one that throws hides it from those after it' \
  'for (const listener of this.rawListeners(name)) this._guard(() => listener.call(this, data));' \
  'this._guard(() => this.emit(name, data));'
m node-callback-error-lost bindings/node/axbridge.js \
  "an exception thrown by the host's handler is swallowed" \
  $'    } catch (error) {\n      this._report(error);\n    }\n  }' \
  $'    } catch {\n    }\n  }'
m python-nul-text bindings/python/axbridge/__init__.py \
  "text with a NUL is passed on (cut short)" \
  $'    if "\\0" in value:\n        raise ValueError(f"{argument} must not contain NUL")' ''
m python-bool-number bindings/python/axbridge/__init__.py \
  "a bool is taken for a number" \
  'if isinstance(value, bool) or not isinstance(value, numbers.Real):' \
  'if not isinstance(value, numbers.Real):'
m python-handle-range bindings/python/axbridge/__init__.py \
  "a window handle one past the pointer range is accepted" \
  'if not 0 <= handle < _POINTER_LIMIT:' 'if not 0 <= handle <= _POINTER_LIMIT:'
m python-nan-json bindings/python/axbridge/__init__.py \
  "a blocked list or scenario with NaN is written as JSON" \
  'return json.dumps(value, allow_nan=False).encode("utf-8")' \
  'return json.dumps(value).encode("utf-8")'
m python-callback-freed bindings/python/axbridge/__init__.py \
  "the event callback is not kept while the library holds it" \
  $'        self._lib.initMacAccessibility(callback)\n        _hold("event", callback)' \
  $'        self._lib.initMacAccessibility(callback)'

# ---- Applying and putting back

layer_of() {
  case $1 in
    src/platform/linux/*) echo linux ;;
    src/platform/sim/* | src/sim_desktop/*) echo sim ;;
    bindings/*) echo kits ;;
    *) echo core ;;
  esac
}

# replace <file> <old> <new> [--dry]: the exact replacement, refused unless old occurs once.
replace() {
  OLD=$2 NEW=$3 /usr/bin/python3 - "$1" "${4:-}" <<'EOF'
import os, sys
path, dry = sys.argv[1], sys.argv[2] == "--dry"
old, new = os.environ["OLD"], os.environ["NEW"]
text = open(path, encoding="utf-8").read()
count = text.count(old)
if count != 1:
    sys.exit(f"{path}: the mutant's text occurs {count} times, not once")
if not dry:
    open(path, "w", encoding="utf-8").write(text.replace(old, new))
EOF
}

# Every mutant must still apply: each one that does not is named, then the script stops.
stale=0
for i in "${!m_id[@]}"; do
  for j in "${!m_id[@]}"; do
    if ((i < j)) && [[ ${m_id[i]} == "${m_id[j]}" ]]; then
      echo "duplicate mutant id ${m_id[i]}" >&2
      stale=1
    fi
  done
  if [[ ! -f ${m_file[i]} ]]; then
    echo "mutant ${m_id[i]} does not apply: no file ${m_file[i]}" >&2
    stale=1
  elif [[ $(layer_of "${m_file[i]}") == linux && -z ${m_runner[i]} ||
    $(layer_of "${m_file[i]}") != linux && -n ${m_runner[i]} ]]; then
    echo "mutant ${m_id[i]}: Linux mutants, and only they, name a runner (lm)" >&2
    stale=1
  elif [[ -n ${m_runner[i]} && ! ${m_runner[i]} =~ ^(unit|x11|bare|sway|other|gnome)$ ]]; then
    echo "mutant ${m_id[i]}: no runner ${m_runner[i]}" >&2
    stale=1
  elif ! replace "${m_file[i]}" "${m_old[i]}" "${m_new[i]}" --dry 2>/dev/null; then
    echo "mutant ${m_id[i]} does not apply: its text is not in ${m_file[i]} exactly once" >&2
    stale=1
  fi
done
((stale == 0)) || exit 2
if ((check)); then
  echo "${#m_id[@]} mutants, each applies"
  exit 0
fi
if ((list)); then
  for i in "${!m_id[@]}"; do
    printf '%-34s %-6s %s: %s' "${m_id[i]}" "$(layer_of "${m_file[i]}")" "${m_file[i]}" \
      "${m_what[i]}"
    [[ -z ${m_runner[i]} ]] || printf ' [%s %s, %s s]' "${m_runner[i]}" "${m_filter[i]}" \
      "${m_limit[i]}"
    echo
  done
  exit 0
fi

selected=()
for i in "${!m_id[@]}"; do
  wanted=$((${#ids[@]} == 0 && ${#layers[@]} == 0))
  for id in ${ids[@]+"${ids[@]}"}; do [[ $id == "${m_id[i]}" ]] && wanted=1; done
  for layer in ${layers[@]+"${layers[@]}"}; do
    [[ $layer == "$(layer_of "${m_file[i]}")" ]] && wanted=1
  done
  ((wanted)) && selected+=("$i")
done
for id in ${ids[@]+"${ids[@]}"}; do
  known=0
  for i in "${!m_id[@]}"; do [[ ${m_id[i]} == "$id" ]] && known=1; done
  ((known)) || { echo "no mutant $id" >&2; exit 2; }
done
((${#selected[@]})) || { echo "no mutant selected" >&2; exit 2; }

work=$(mktemp -d)
applied=
restore() {
  if [[ -n $applied ]]; then
    # Written afresh (not copied with its old time stamp), so that the next build sees it.
    cat "$work/original" >"$applied"
    applied=
  fi
}
trap 'restore; rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

logs=${AXBRIDGE_MUTANT_LOGS:-$work/logs}
mkdir -p "$logs"
run() { nice -n 19 "$@"; }

build_layer() {
  case $1 in
    core | sim | kits) run cmake --build "$build" -j2 ;;
    linux) run cmake --build "$linux_build" -j2 ;;
  esac
}

# Runs the suites of a layer (for a kit, of the kit the file belongs to): 0 when all pass.
test_layer() {
  local layer=$1 file=$2
  case $layer in
    core | sim)
      run ctest --test-dir "$build" --stop-on-failure --timeout 600 ;;
    kits)
      local sim
      sim=$(realpath "$build/src/libaxbridge-sim.so.0")
      case $file in
        bindings/node/*) (cd bindings/node && AXBRIDGE_LIBRARY=$sim run timeout 600 node --test) ;;
        *) (cd bindings/python && AXBRIDGE_LIBRARY=$sim PYTHONDONTWRITEBYTECODE=1 \
              run timeout 600 /usr/bin/python3 -m pytest -q -p no:cacheprovider -x tests) ;;
      esac ;;
  esac
}

# test_linux RUNNER FILTER SECONDS: 0 when the tests of FILTER pass under RUNNER within SECONDS.
# timeout signals the whole process group: the desktop, session and applications go with it.
test_linux() {
  local e2e=$linux_build/tests/linux/axbridge_linux_e2e
  local limit=(timeout --kill-after=15 "$3") tests=(--gtest_fail_fast --gtest_filter="$2")
  case $1 in
    unit) run "${limit[@]}" "$linux_build/tests/linux/axbridge_linux_tests" "${tests[@]}" ;;
    x11) run "${limit[@]}" ./scripts/linux-e2e.sh "$e2e" "${tests[@]}" ;;
    bare) run "${limit[@]}" ./scripts/linux-e2e.sh --no-window-manager "$e2e" "${tests[@]}" ;;
    sway) run "${limit[@]}" ./scripts/headless-sway.sh "$e2e" "${tests[@]}" ;;
    other)
      run "${limit[@]}" ./scripts/headless-sway.sh env -u SWAYSOCK XDG_CURRENT_DESKTOP=wlroots \
        "$e2e" "${tests[@]}" ;;
    gnome) run "${limit[@]}" ./scripts/headless-gnome.sh "$e2e" "${tests[@]}" ;;
  esac
}

# The unchanged tree passes what the selected Linux mutants name: each runner and filter once.
linux_baseline() {
  local i j seen
  for i in "${selected[@]}"; do
    seen=0
    for j in "${selected[@]}"; do
      ((j < i)) && [[ ${m_runner[j]} == "${m_runner[i]}" && ${m_filter[j]} == "${m_filter[i]}" ]] &&
        seen=1
    done
    ((seen)) && continue
    echo "== ${m_runner[i]} ${m_filter[i]}"
    test_linux "${m_runner[i]}" "${m_filter[i]}" "${m_limit[i]}" || return 1
  done
}

rows=()
killed=0
survived=0
broken=0

declare -A layers_seen=()
sim_with_core=0
for i in "${selected[@]}"; do layers_seen[$(layer_of "${m_file[i]}")]=1; done
# Core and sim share the simulated build and its suites: built and checked once.
[[ -n ${layers_seen[core]:-} ]] && unset 'layers_seen[sim]' && sim_with_core=1
for layer in core sim linux kits; do
  [[ -n ${layers_seen[$layer]:-} ]] || continue
  echo "== building the unchanged tree for $layer" >&2
  build_layer "$layer" >"$logs/build-$layer.log" 2>&1 ||
    { echo "the unchanged tree does not build, see $logs/build-$layer.log" >&2; exit 1; }
  ((baseline)) || continue
  echo "== $layer suites on the unchanged tree" >&2
  if [[ $layer == kits ]]; then
    test_layer kits bindings/node/ >"$logs/baseline-node.log" 2>&1 &&
      test_layer kits bindings/python/ >"$logs/baseline-python.log" 2>&1
  elif [[ $layer == linux ]]; then
    linux_baseline >"$logs/baseline-linux.log" 2>&1
  else
    test_layer "$layer" "" >"$logs/baseline-$layer.log" 2>&1
  fi || { echo "the $layer suites fail on the unchanged tree, see $logs" >&2; exit 1; }
done

for i in "${selected[@]}"; do
  id=${m_id[i]} file=${m_file[i]} layer=$(layer_of "${m_file[i]}")
  started=$SECONDS
  cp "$file" "$work/original"
  applied=$file
  replace "$file" "${m_old[i]}" "${m_new[i]}"
  if ! if [[ $layer == linux ]]; then
    # Only the binary the mutant's tests run (and what it needs).
    target=axbridge_linux_e2e
    [[ ${m_runner[i]} == unit ]] && target=axbridge_linux_tests
    run cmake --build "$linux_build" -j2 --target "$target"
  else
    build_layer "$layer"
  fi >"$logs/$id.log" 2>&1; then
    result=broken
    broken=$((broken + 1))
  elif if [[ $layer == linux ]]; then
    test_linux "${m_runner[i]}" "${m_filter[i]}" "${m_limit[i]}"
  else
    test_layer "$layer" "$file"
  fi >>"$logs/$id.log" 2>&1; then
    result=SURVIVED
    survived=$((survived + 1))
  else
    result=killed
    killed=$((killed + 1))
  fi
  restore
  seconds=$((SECONDS - started))
  echo "$id ($layer): $result in ${seconds} s" >&2
  tests=${m_runner[i]:+${m_runner[i]} \`${m_filter[i]}\`}
  rows+=("| \`$id\` | $layer | \`$file\` | ${m_what[i]} | ${tests:-all} | $result | $seconds |")
done

# The builds are left as the unchanged tree makes them.
((sim_with_core)) && layers_seen[sim]=1
for layer in "${!layers_seen[@]}"; do build_layer "$layer" >/dev/null 2>&1 || true; done

{
  echo "| mutant | layer | file | what it breaks | tests | result | s |"
  echo "|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  echo
  echo "killed $killed, survived $survived, broken $broken of ${#selected[@]} in $SECONDS s"
} | tee ${out:+"$out"}
