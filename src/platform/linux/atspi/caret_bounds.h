// A caret's rectangle when the character extents at its offset are no rectangle: some browsers
// now and then answer a zero-size rectangle at the origin where the extents of a one-character
// range still work, and next to it another character's extents do.
#pragma once

#include <functional>

#include "platform/linux/atspi/accessible_reads.h"

namespace axb::platform::atspi {

// The requests that can place a caret, in the order they are tried.
enum class CaretSource { kCharacter, kCharacterRange, kPreviousCharacter, kNextCharacter };

// Whether an answer is a rectangle: a zero-size one at the origin is none.
bool isRectangle(const Rect& rect);

// The caret from the first source that answers a rectangle, as a line of no width: before the
// character at its offset, or after the previous one. A request that fails because the
// application does not answer or the element is gone ends the search with its error; no
// rectangle at all is no value.
Answer<Rect> caretBounds(const std::function<Answer<Rect>(CaretSource)>& ask);

}  // namespace axb::platform::atspi
