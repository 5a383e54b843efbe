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

Answer<Selection> TextReader::selection() {
  if (kept_->selection) return {axerr::kSuccess, *kept_->selection};
  auto selection = readSelection(accessible_.get());
  if (selection.ok()) kept_->selection = selection.value;
  return selection;
}

Answer<const TextPrefix*> TextReader::prefix(std::int64_t characters) {
  const auto count = characterCount();
  if (!count.ok()) return {count.error, nullptr};
  TextPrefix& prefix = kept_->prefix;
  const std::int64_t target = std::min(characters, count.value);
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
  // Next to the prefix (a selection from the start of the text): the prefix grows.
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
