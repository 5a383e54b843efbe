// Simulated text: stored as well-formed UTF-8 (platform/utf8.h), addressed in UTF-16 code units
// as the platform counts them, laid out on a fixed grid (see kCharAdvance, kLineHeight,
// kTextInset).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/geometry.h"

namespace axb::sim {

// The functions below expect well-formed UTF-8.

// The text's length in UTF-16 units, as a text offset.
std::int64_t textLength(std::string_view text);
// Clamps the range into the text. A range end that falls inside a surrogate pair is moved
// outward so the range covers the whole character (a caret moves to the character's start).
Range clampRange(std::string_view text, Range range);
// Whether the range lies within the text as given (no clamping).
bool rangeWithin(std::string_view text, Range range);
// The characters of the range, widened over split surrogate pairs like clampRange.
std::string substringUtf16(std::string_view text, Range range);
std::string replaceUtf16(std::string_view text, Range range, std::string_view inserted);

// Screen rectangle of a range in a text laid out in the frame: the union of its characters'
// cells; an empty range gives a zero-width caret of one line's height.
Rect boundsForRange(std::string_view text, Range range, const Rect& frame);
Point caretPosition(std::string_view text, std::int64_t offset, const Rect& frame);

}  // namespace axb::sim
