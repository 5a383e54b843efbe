#include "platform/linux/atspi/text_reader.h"

#include <algorithm>
#include <utility>

namespace axb::platform::atspi {

TextReader::TextReader(AtspiAccessible* accessible)
    : accessible_(GRef<AtspiAccessible>::retain(accessible)), kept_(keptAnswers(accessible)) {}

Answer<std::int64_t> TextReader::characterCount() {
  if (kept_->characterCount) return {axerr::kSuccess, *kept_->characterCount};
  auto count = readCharacterCount(accessible_.get());
  if (count.ok()) kept_->characterCount = count.value;
  return count;
}

Answer<std::optional<Selection>> TextReader::selectedRange() {
  if (kept_->selectedRange) return {axerr::kSuccess, *kept_->selectedRange};
  auto range = readSelectedRange(accessible_.get());
  if (range.ok()) kept_->selectedRange = range.value;
  return range;
}

Answer<Selection> TextReader::selection() {
  const auto range = selectedRange();
  if (!range.ok()) return {range.error, {}};
  if (range.value) return {axerr::kSuccess, *range.value};
  if (!kept_->caret) {
    const auto caret = readCaretOffset(accessible_.get());
    if (!caret.ok()) return {caret.error, {}};
    kept_->caret = caret.value;
  }
  return {axerr::kSuccess, Selection{*kept_->caret, *kept_->caret}};
}

Answer<const TextPrefix*> TextReader::prefix(std::int64_t characters) {
  const auto count = characterCount();
  if (!count.ok()) return {count.error, nullptr};
  return prefixThrough(std::min(characters, count.value));
}

Answer<const TextPrefix*> TextReader::prefixThrough(std::int64_t target) {
  TextPrefix& prefix = kept_->prefix;
  if (prefix.characters() < target) {
    // Only what follows the part read already.
    const auto more = readTextRange(accessible_.get(), prefix.characters(), target);
    if (!more.ok()) return {more.error, nullptr};
    // The first characters outside the basic plane tell how the element counts: an answer with
    // fewer characters than the offsets asked for counts UTF-16 units.
    if (prefix.characters() == prefix.units() &&
        countsUtf16Units(target - prefix.characters(), more.value).value_or(false)) {
      prefix.countUtf16Units();
    }
    prefix.append(more.value);
  }
  return {axerr::kSuccess, &prefix};
}

Answer<const TextPrefix*> TextReader::prefixForUnits(std::int64_t units) {
  // Read far enough already: nothing to ask.
  if (kept_->prefix.units() >= units) return {axerr::kSuccess, &kept_->prefix};
  // A character takes one or two units: the characters up to that many units are no more.
  return prefix(units);
}

Answer<const TextPrefix*> TextReader::wholeText() {
  const auto count = characterCount();
  if (!count.ok()) return {count.error, nullptr};
  return prefix(count.value);
}

Answer<std::string> TextReader::characters(std::int64_t start, std::int64_t end) {
  if (end <= start) return {axerr::kSuccess, std::string()};
  // Within the prefix, or next to it (a selection from the start of the text): the prefix grows.
  if (end <= kept_->prefix.characters()) {
    return {axerr::kSuccess, kept_->prefix.substring(start, end)};
  }
  if (start <= kept_->prefix.characters()) {
    const auto text = prefix(end);
    if (!text.ok()) return {text.error, {}};
    return {axerr::kSuccess, text.value->substring(start, end)};
  }
  const std::optional<TextPiece>& piece = kept_->piece;
  if (piece && piece->start == start && piece->end == end) return {axerr::kSuccess, piece->text};
  auto text = readTextRange(accessible_.get(), start, end);
  if (!text.ok()) return text;
  text.value = withoutPadding(text.value);
  kept_->piece = TextPiece{start, end, text.value};
  return text;
}

}  // namespace axb::platform::atspi
