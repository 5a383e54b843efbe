// Reading an accessible's role, states, text, selection and geometry, each answer with the error
// code of the request that failed.
#pragma once

#include <atspi/atspi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/linux/atspi/roles.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {

template <typename T>
struct Answer {
  AXErrorCode error = axerr::kFailure;
  T value{};
  bool ok() const { return error == axerr::kSuccess; }
};

Answer<RoleFacts> readRoleFacts(AtspiAccessible* accessible);

// Whether the accessible offers the text interface.
bool hasText(AtspiAccessible* accessible);
bool hasEditableText(AtspiAccessible* accessible);

// The number of characters of the text.
Answer<std::int64_t> readCharacterCount(AtspiAccessible* accessible);

// The characters from start to end (character offsets), as UTF-8.
Answer<std::string> readTextRange(AtspiAccessible* accessible, std::int64_t start,
                                  std::int64_t end);

// The first selection as character offsets (start <= end), or the caret (start == end).
struct Selection {
  std::int64_t start = 0;
  std::int64_t end = 0;
};
// The first selection, nothing when there is none: the question whether there is one costs a
// request, the range another.
Answer<std::optional<Selection>> readSelectedRange(AtspiAccessible* accessible);
Answer<std::int64_t> readCaretOffset(AtspiAccessible* accessible);

// The screen rectangle of a character range: the range's extents, or for an empty range the
// character extents at its offset with no width (a caret).
Answer<Rect> readRangeBounds(AtspiAccessible* accessible, std::int64_t start, std::int64_t end);

// The accessible's own rectangle on screen.
Answer<Rect> readExtents(AtspiAccessible* accessible);

// The accessible name, description and identifier.
Answer<std::string> readName(AtspiAccessible* accessible);
Answer<std::string> readDescription(AtspiAccessible* accessible);
Answer<std::string> readIdentifier(AtspiAccessible* accessible);

// The accessible's children.
Answer<std::vector<GRef<AtspiAccessible>>> readChildren(AtspiAccessible* accessible);

// The first descendant with the FOCUSED state; empty (with success) when there is none.
Answer<GRef<AtspiAccessible>> findFocusedDescendant(AtspiAccessible* root);

}  // namespace axb::platform::atspi
