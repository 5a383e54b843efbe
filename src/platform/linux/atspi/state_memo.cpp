#include "platform/linux/atspi/state_memo.h"

#include <string_view>
#include <unordered_map>

#include "platform/linux/atspi/accessible_identity.h"
#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {

const char* const kKeptStateEvents[5] = {
    "object:state-changed:focused", "object:state-changed:editable",
    "object:state-changed:multi-line", "object:state-changed:focusable",
    "object:state-changed:defunct"};

namespace {

constexpr std::size_t kRemembered = 4096;

using States =
    std::unordered_map<GRef<AtspiAccessible>, KeptStates, AccessibleHash, SameAccessible>;

States& states() {
  static States* const kept = new States();
  return *kept;
}

bool* field(KeptStates& kept, std::string_view name) {
  if (name == "focused") return &kept.focused;
  if (name == "editable") return &kept.editable;
  if (name == "multi-line") return &kept.multiLine;
  if (name == "focusable") return &kept.focusable;
  if (name == "defunct") return &kept.defunct;
  return nullptr;
}

Answer<KeptStates> askStates(AtspiAccessible* accessible) {
  // libatspi's own copy follows only the events it hears and is dropped; without a copy at all
  // it asks with one request (with a stale copy, two). Only this accessible's copy: libatspi
  // reads cached states while it dispatches, and a request from there would wait on the
  // dispatch it runs in.
  accessible->cached_properties &= ~static_cast<guint>(ATSPI_CACHE_STATES);
  g_clear_object(&accessible->states);
  const auto set = GRef<AtspiStateSet>::adopt(atspi_accessible_get_state_set(accessible));
  if (!set) return {axerr::kCannotComplete, {}};
  KeptStates kept;
  kept.editable = atspi_state_set_contains(set.get(), ATSPI_STATE_EDITABLE);
  kept.multiLine = atspi_state_set_contains(set.get(), ATSPI_STATE_MULTI_LINE);
  kept.focused = atspi_state_set_contains(set.get(), ATSPI_STATE_FOCUSED);
  kept.focusable = atspi_state_set_contains(set.get(), ATSPI_STATE_FOCUSABLE);
  kept.defunct = atspi_state_set_contains(set.get(), ATSPI_STATE_DEFUNCT);
  return {axerr::kSuccess, kept};
}

}  // namespace

Answer<KeptStates> statesOf(AtspiAccessible* accessible) {
  GRef<AtspiAccessible> key = GRef<AtspiAccessible>::retain(accessible);
  const auto found = states().find(key);
  if (found != states().end()) return {axerr::kSuccess, found->second};
  Answer<KeptStates> asked = askStates(accessible);
  // A failed request is asked again next time: the application may only have been busy.
  if (!asked.ok()) return asked;
  // Accessibles come and go: the memo starts afresh rather than grow without end.
  if (states().size() >= kRemembered) states().clear();
  states().emplace(std::move(key), asked.value);
  return asked;
}

void noteStateChanged(AtspiAccessible* accessible, const char* type, bool holds) {
  const std::string_view name = type ? std::string_view(type) : std::string_view();
  const auto colon = name.rfind(':');
  if (colon == std::string_view::npos) return;
  const auto found = states().find(GRef<AtspiAccessible>::retain(accessible));
  // An accessible not asked about yet is asked when it is.
  if (found == states().end()) return;
  if (bool* state = field(found->second, name.substr(colon + 1))) *state = holds;
}

void forgetStates() {
  states().clear();
}

}  // namespace axb::platform::atspi
