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
# Layers and what runs: core and sim, the whole ctest of the simulated build; linux, its ctest
# without the end-to-end label and one end-to-end run; kits, the node or Python kit's own tests on
# the simulated library. A build that fails counts apart ("broken"), a suite that times out as
# killed. Builds and tests run under nice -n 19.
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

m_id=() m_file=() m_what=() m_old=() m_new=()
m() {
  m_id+=("$1") m_file+=("$2") m_what+=("$3") m_old+=("$4") m_new+=("$5")
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
m linux-paste-key src/platform/linux/x11/paste_keys.cpp \
  "the paste shortcut types Control-C" \
  'constexpr xcb_keysym_t kLetterV = 0x0076;' 'constexpr xcb_keysym_t kLetterV = 0x0063;'
m linux-keys-without-display src/platform/linux/keyboard.cpp \
  "keys count as reaching a desktop there is none of" \
  'if (!x11::canPostKeys()) return KeysRefusal::NoDesktop;' ''
m linux-transient-to-manager src/platform/linux/pasteboard.cpp \
  "the library's transient text is handed to the clipboard manager" \
  'return x11::ownClipboard(x11::targetsFromItems(items), !transient);' \
  'return x11::ownClipboard(x11::targetsFromItems(items), true);'
m linux-no-hand-off src/platform/linux/x11/clipboard_hand_off.cpp \
  "the clipboard given back is not handed to the clipboard manager" \
  'if (ownerOf(cb, manager) == XCB_WINDOW_NONE) return;' 'return;'
m linux-password-secret-read src/platform/linux/x11/clipboard_reading.cpp \
  "a password manager's secret is read (the concealed item still stands in for it)" \
  'if (atomName(*cb, target) == kPasswordManagerHintTarget) {' 'if (false) {'
m linux-other-process-heard src/platform/linux/observer.cpp \
  "an observer hears other processes' events" \
  'if (!delivering || event.pid != pid || !event.source) return;' \
  'if (!delivering || !event.source) return;'
m linux-right-button src/platform/linux/x11/host_windows.cpp \
  "a right click is no mouse-down" \
  'return button == 1 || button == 3;' 'return button == 1;'
m linux-front-launch src/platform/linux/workspace.cpp \
  "an application launched in front is not noted as in front" \
  'if (inFront && state.front != pid) {' 'if (false) {'
m linux-padding-counted src/platform/linux/atspi/text_offsets.cpp \
  "the padding after a character outside the basic plane counts as a unit" \
  'return codePoint == kPadding && previous >= 0x10000 ? 0 : unitsOf(codePoint);' \
  'return unitsOf(codePoint);'
m linux-password-role src/platform/linux/atspi/roles.cpp \
  "a password field does not keep its text secret" \
  'return facts.role == ATSPI_ROLE_PASSWORD_TEXT;' 'return false;'

m linux-shadow-counted src/platform/linux/x11/frame_extents.cpp \
  "the shadow of client-side decorations is taken for content" \
  'return Point{windowOrigin.x + frame.left, windowOrigin.y + frame.top};' \
  'return Point{windowOrigin.x, windowOrigin.y};'
m linux-line-break-boxed src/platform/linux/atspi/line_boxes.cpp \
  "a line's break widens its box" \
  'if (known && line.value.endsWithBreak && last == line.value.end - 1 && last > offset) --last;' \
  ''
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
    printf '%-34s %-6s %s: %s\n' "${m_id[i]}" "$(layer_of "${m_file[i]}")" "${m_file[i]}" \
      "${m_what[i]}"
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
  printf '%s\n' "${m_id[@]}" | grep -qxF -- "$id" || { echo "no mutant $id" >&2; exit 2; }
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
    linux)
      run ctest --test-dir "$linux_build" -LE e2e --stop-on-failure --timeout 300 &&
        run timeout 1800 ./scripts/linux-e2e.sh "$linux_build/tests/linux/axbridge_linux_e2e" \
          --gtest_fail_fast \
          --gtest_filter=-'WindowStormTest.*:HostTest.ATenMegabyte*:ToolkitTest*' ;;
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
  if ! build_layer "$layer" >"$logs/$id.log" 2>&1; then
    result=broken
    broken=$((broken + 1))
  elif test_layer "$layer" "$file" >>"$logs/$id.log" 2>&1; then
    result=SURVIVED
    survived=$((survived + 1))
  else
    result=killed
    killed=$((killed + 1))
  fi
  restore
  seconds=$((SECONDS - started))
  echo "$id ($layer): $result in ${seconds} s" >&2
  rows+=("| \`$id\` | $layer | \`$file\` | ${m_what[i]} | $result | $seconds |")
done

# The builds are left as the unchanged tree makes them.
((sim_with_core)) && layers_seen[sim]=1
for layer in "${!layers_seen[@]}"; do build_layer "$layer" >/dev/null 2>&1 || true; done

{
  echo "| mutant | layer | file | what it breaks | result | s |"
  echo "|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  echo
  echo "killed $killed, survived $survived, broken $broken of ${#selected[@]}"
} | tee ${out:+"$out"}
