#include "platform/linux/atspi/accessible_reads.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/atspi/caret_bounds.h"
#include "platform/linux/atspi/line_boxes.h"
#include "platform/linux/atspi/role_memo.h"
#include "platform/linux/atspi/run_answers.h"
#include "platform/linux/atspi/state_memo.h"
#include "platform/linux/atspi/window_coordinates.h"
#include "platform/linux/wayland/session.h"
#include "platform/linux/x11/frame_extents.h"
#include "platform/linux/x11/x11_desktop.h"

namespace axb::platform::atspi {
namespace {

// A search for the focus that the collection interface cannot answer looks at this many
// accessibles at most: a huge tree must not hold the main thread.
constexpr int kSearchLimit = 2000;

template <typename T>
Answer<T> failed(const GErrorSlot& error) {
  return {errorCodeOf(error.get()), T{}};
}

AtspiText* textOf(AtspiAccessible* accessible) {
  return ATSPI_TEXT(accessible);
}

// A string answer of AT-SPI, released here.
Answer<std::string> stringAnswer(gchar* raw, const GErrorSlot& error) {
  const GText text(raw);
  if (error) return failed<std::string>(error);
  return {axerr::kSuccess, textFrom(text.get())};
}

Answer<Rect> rectAnswer(AtspiRect* raw, const GErrorSlot& error) {
  const GMemory<AtspiRect> rect(raw);
  if (error || !rect) return failed<Rect>(error);
  return {axerr::kSuccess,
          Rect{static_cast<double>(rect->x), static_cast<double>(rect->y),
               static_cast<double>(rect->width), static_cast<double>(rect->height)}};
}

// Role and states: the role remembered, the states kept current by the applications' signals.
Answer<RoleFacts> askRoleFacts(AtspiAccessible* accessible) {
  RoleFacts facts;
  const Answer<AtspiRole> role = roleOf(accessible);
  if (!role.ok()) return {role.error, facts};
  facts.role = role.value;
  const Answer<KeptStates> states = statesOf(accessible);
  if (!states.ok()) return {states.error, facts};
  facts.editable = states.value.editable;
  facts.multiLine = states.value.multiLine;
  facts.focused = states.value.focused;
  facts.focusable = states.value.focusable;
  if (states.value.defunct) return {axerr::kInvalidUIElement, facts};
  return {axerr::kSuccess, facts};
}

Answer<GRef<AtspiAccessible>> searchFocused(AtspiAccessible* root) {
  std::deque<GRef<AtspiAccessible>> pending;
  pending.push_back(GRef<AtspiAccessible>::retain(root));
  for (int visited = 0; !pending.empty() && visited < kSearchLimit; ++visited) {
    GRef<AtspiAccessible> next = std::move(pending.front());
    pending.pop_front();
    if (next.get() != root) {
      const auto facts = readRoleFacts(next.get());
      // An application that stopped answering is not searched any further.
      if (facts.error == axerr::kCannotComplete) return {facts.error, {}};
      if (facts.ok() && facts.value.focused) return {axerr::kSuccess, std::move(next)};
    }
    auto children = readChildren(next.get());
    if (!children.ok()) {
      if (next.get() == root) return {children.error, {}};
      continue;
    }
    for (auto& child : children.value) pending.push_back(std::move(child));
  }
  return {axerr::kSuccess, {}};
}

}  // namespace

Answer<RoleFacts> readRoleFacts(AtspiAccessible* accessible) {
  const std::shared_ptr<KeptAnswers> kept = keptAnswers(accessible);
  if (kept->roleFacts) return {axerr::kSuccess, *kept->roleFacts};
  auto facts = askRoleFacts(accessible);
  if (facts.ok()) kept->roleFacts = facts.value;
  return facts;
}

namespace {

Interfaces readInterfaces(AtspiAccessible* accessible) {
  const std::shared_ptr<KeptAnswers> kept = keptAnswers(accessible);
  if (kept->interfaces) return *kept->interfaces;
  // The interface getters hand out a new reference, or null when it is not offered.
  const Interfaces interfaces{
      GRef<AtspiText>::adopt(atspi_accessible_get_text_iface(accessible)).get() != nullptr,
      GRef<AtspiEditableText>::adopt(atspi_accessible_get_editable_text_iface(accessible)).get() !=
          nullptr};
  kept->interfaces = interfaces;
  return interfaces;
}

}  // namespace

bool hasText(AtspiAccessible* accessible) {
  return readInterfaces(accessible).text;
}

bool hasEditableText(AtspiAccessible* accessible) {
  return readInterfaces(accessible).editableText;
}

Answer<std::int64_t> readCharacterCount(AtspiAccessible* accessible) {
  GErrorSlot error;
  const gint count = atspi_text_get_character_count(textOf(accessible), error.out());
  if (error) return failed<std::int64_t>(error);
  return {axerr::kSuccess, std::max<std::int64_t>(count, 0)};
}

Answer<std::string> readTextRange(AtspiAccessible* accessible, std::int64_t start,
                                  std::int64_t end) {
  if (end <= start) return {axerr::kSuccess, std::string()};
  GErrorSlot error;
  return stringAnswer(atspi_text_get_text(textOf(accessible), static_cast<gint>(start),
                                          static_cast<gint>(end), error.out()),
                      error);
}

Answer<std::optional<Selection>> readSelectedRange(AtspiAccessible* accessible) {
  GErrorSlot error;
  const gint selections = atspi_text_get_n_selections(textOf(accessible), error.out());
  if (error) return failed<std::optional<Selection>>(error);
  if (selections <= 0) return {axerr::kSuccess, std::nullopt};
  const GMemory<AtspiRange> range(atspi_text_get_selection(textOf(accessible), 0, error.out()));
  if (error || !range) return failed<std::optional<Selection>>(error);
  const Selection selection{std::min(range->start_offset, range->end_offset),
                            std::max(range->start_offset, range->end_offset)};
  // Some toolkits report an empty selection instead of none.
  if (selection.end == selection.start) return {axerr::kSuccess, std::nullopt};
  return {axerr::kSuccess, selection};
}

Answer<std::int64_t> readCaretOffset(AtspiAccessible* accessible) {
  GErrorSlot error;
  const gint caret = atspi_text_get_caret_offset(textOf(accessible), error.out());
  if (error) return failed<std::int64_t>(error);
  return {axerr::kSuccess, caret};
}

namespace {

// The coordinate space an accessible's rectangles are asked in, and how they come on screen. A
// native Wayland application knows nothing of where its window is: every toolkit answers points
// relative to its window whatever is asked, placed on screen with what the compositor tells.
class Space {
 public:
  explicit Space(AtspiAccessible* accessible) : accessible_(accessible) {
    if (const std::optional<ProcessId> pid = processOf(accessible);
        pid && wayland::waylandSession() && !wayland::isX11Client(*pid)) {
      native_ = true;
      windowRelative_ = true;
      nativeOrigin_ = wayland::nativeWindowOriginOf(*pid);
      // Answers are relative to the surface, which begins with the shadow the window draws.
      const std::optional<Size> floating = wayland::nativeFloatingWindowSizeOf(*pid);
      if (nativeOrigin_ && floating) {
        if (const std::optional<Point> visible = visibleFrameOrigin(accessible, *floating)) {
          nativeOrigin_ = Point{nativeOrigin_->x - visible->x, nativeOrigin_->y - visible->y};
        }
      }
    } else {
      windowRelative_ = answersInWindowCoordinates(accessible);
    }
  }

  AtspiCoordType type() const {
    return windowRelative_ ? ATSPI_COORD_TYPE_WINDOW : ATSPI_COORD_TYPE_SCREEN;
  }

  Answer<Rect> onScreen(Answer<Rect> answer) const {
    if (!answer.ok() || !windowRelative_) return answer;
    std::optional<Point> origin = nativeOrigin_;
    if (!native_) {
      const std::optional<ProcessId> pid = processOf(accessible_);
      origin = pid ? x11::contentOriginOf(*pid) : std::nullopt;
    }
    // Without the window's place (no X server, a compositor that does not tell), a rectangle on
    // screen is not known.
    if (!origin) return {axerr::kNoValue, {}};
    return {axerr::kSuccess, x11::onScreen(answer.value, *origin)};
  }

 private:
  AtspiAccessible* accessible_;
  bool native_ = false;
  bool windowRelative_ = false;
  std::optional<Point> nativeOrigin_;
};

Answer<Rect> characterBox(AtspiAccessible* accessible, std::int64_t offset, const Space& space) {
  GErrorSlot error;
  return rectAnswer(atspi_text_get_character_extents(textOf(accessible), static_cast<gint>(offset),
                                                     space.type(), error.out()),
                    error);
}

Answer<LineSpan> lineAt(AtspiAccessible* accessible, std::int64_t offset) {
  GErrorSlot error;
  // By line boundaries: GTK 4 answers the line granularity with the word at the offset.
  const GBoxed<AtspiTextRange, atspi_text_range_get_type> line(atspi_text_get_text_at_offset(
      textOf(accessible), static_cast<gint>(offset), ATSPI_TEXT_BOUNDARY_LINE_START, error.out()));
  if (error || !line) return failed<LineSpan>(error);
  const std::string_view content = line->content ? line->content : "";
  const LineSpan span{line->start_offset, line->end_offset,
                      !content.empty() && content.back() == '\n'};
  return {axerr::kSuccess, span};
}

Answer<Rect> askRangeBounds(AtspiAccessible* accessible, std::int64_t start, std::int64_t end) {
  const Space space(accessible);
  if (start == end) {
    // Range extents of an empty range make GTK complain; the character extents work also at
    // the end of the text, where they have no width.
    return space.onScreen(caretBounds([accessible, start, &space](CaretSource source) {
      switch (source) {
        case CaretSource::kCharacter:
          return characterBox(accessible, start, space);
        case CaretSource::kCharacterRange: {
          GErrorSlot error;
          return rectAnswer(
              atspi_text_get_range_extents(textOf(accessible), static_cast<gint>(start),
                                           static_cast<gint>(start + 1), space.type(), error.out()),
              error);
        }
        case CaretSource::kPreviousCharacter:
          if (start == 0) return Answer<Rect>{axerr::kNoValue, {}};
          return characterBox(accessible, start - 1, space);
        case CaretSource::kNextCharacter:
          break;
      }
      return characterBox(accessible, start + 1, space);
    }));
  }
  GErrorSlot error;
  const Answer<Rect> range =
      rectAnswer(atspi_text_get_range_extents(textOf(accessible), static_cast<gint>(start),
                                              static_cast<gint>(end), space.type(), error.out()),
                 error);
  if ((range.ok() && isRectangle(range.value)) || range.error == axerr::kCannotComplete ||
      range.error == axerr::kInvalidUIElement) {
    return space.onScreen(range);
  }
  // Refused (GTK 4 answers no range's extents) or no rectangle (Firefox now and then answers a
  // zero-size one at the origin): the union of its lines' boxes.
  const Answer<Rect> lines = lineBoxesBounds(
      start, end, [accessible](std::int64_t offset) { return lineAt(accessible, offset); },
      [accessible, &space](std::int64_t offset) {
        return characterBox(accessible, offset, space);
      });
  if (lines.error != axerr::kNoValue) return space.onScreen(lines);
  // No character answers either (GTK 4's line edits): the field holds the selection.
  GErrorSlot frameError;
  return space.onScreen(rectAnswer(
      atspi_component_get_extents(ATSPI_COMPONENT(accessible), space.type(), frameError.out()),
      frameError));
}

}  // namespace

Answer<Rect> readRangeBounds(AtspiAccessible* accessible, std::int64_t start, std::int64_t end) {
  // Every registration that hears an event may ask for the same rectangle.
  const std::shared_ptr<KeptAnswers> kept = keptAnswers(accessible);
  if (kept->rangeBounds && kept->rangeBounds->first.start == start &&
      kept->rangeBounds->first.end == end) {
    return {axerr::kSuccess, kept->rangeBounds->second};
  }
  const Answer<Rect> bounds = askRangeBounds(accessible, start, end);
  if (bounds.ok()) kept->rangeBounds = {Selection{start, end}, bounds.value};
  return bounds;
}

Answer<Rect> readExtents(AtspiAccessible* accessible) {
  const Space space(accessible);
  GErrorSlot error;
  return space.onScreen(rectAnswer(
      atspi_component_get_extents(ATSPI_COMPONENT(accessible), space.type(), error.out()), error));
}

Answer<std::string> readName(AtspiAccessible* accessible) {
  GErrorSlot error;
  return stringAnswer(atspi_accessible_get_name(accessible, error.out()), error);
}

Answer<std::string> readDescription(AtspiAccessible* accessible) {
  GErrorSlot error;
  return stringAnswer(atspi_accessible_get_description(accessible, error.out()), error);
}

Answer<std::string> readIdentifier(AtspiAccessible* accessible) {
  GErrorSlot error;
  return stringAnswer(atspi_accessible_get_accessible_id(accessible, error.out()), error);
}

Answer<std::vector<GRef<AtspiAccessible>>> readChildren(AtspiAccessible* accessible) {
  // Asked afresh: nothing here listens for the events that keep libatspi's copy current.
  accessible->cached_properties &= ~static_cast<guint>(ATSPI_CACHE_CHILDREN);
  GErrorSlot error;
  const gint count = atspi_accessible_get_child_count(accessible, error.out());
  if (error) return failed<std::vector<GRef<AtspiAccessible>>>(error);
  std::vector<GRef<AtspiAccessible>> children;
  for (gint i = 0; i < count; ++i) {
    auto child = GRef<AtspiAccessible>::adopt(
        atspi_accessible_get_child_at_index(accessible, i, error.out()));
    if (error) return failed<std::vector<GRef<AtspiAccessible>>>(error);
    if (child) children.push_back(std::move(child));
  }
  return {axerr::kSuccess, std::move(children)};
}

Answer<GRef<AtspiAccessible>> findFocusedDescendant(AtspiAccessible* root) {
  if (GRef<AtspiCollection>::adopt(atspi_accessible_get_collection_iface(root))) {
    const auto states = GRef<AtspiStateSet>::adopt(atspi_state_set_new(nullptr));
    atspi_state_set_add(states.get(), ATSPI_STATE_FOCUSED);
    const auto rule = GRef<AtspiMatchRule>::adopt(atspi_match_rule_new(
        states.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
        ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE));
    GErrorSlot error;
    const GRefArray<AtspiAccessible> matches(
        atspi_collection_get_matches(ATSPI_COLLECTION(root), rule.get(),
                                     ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, error.out()));
    if (!error && matches) {
      GRef<AtspiAccessible> found;
      for (guint i = 0; i < matches.size() && !found; ++i) {
        found = GRef<AtspiAccessible>::retain(matches.at(i));
      }
      return {axerr::kSuccess, std::move(found)};
    }
    if (errorCodeOf(error.get()) == axerr::kCannotComplete)
      return failed<GRef<AtspiAccessible>>(error);
  }
  return searchFocused(root);
}

}  // namespace axb::platform::atspi
