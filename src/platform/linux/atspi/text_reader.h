// An element's text read as far as each answer needs it: its length and selection cost one
// request each, the characters are read from its start only up to the offset an answer converts
// or returns, and a selection's characters alone. What was read is kept for the run of requests.
// Offsets are the element's own (characters or UTF-16 units, as its first characters outside the
// basic plane tell); texts come without padding.
#pragma once

#include <atspi/atspi.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/linux/atspi/accessible_reads.h"
#include "platform/linux/atspi/run_answers.h"
#include "platform/linux/atspi/text_offsets.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {

class TextReader {
 public:
  explicit TextReader(AtspiAccessible* accessible);

  Answer<std::int64_t> characterCount();
  // The selection, nothing for a caret: no caret offset is asked.
  Answer<std::optional<Selection>> selectedRange();
  // The selection, or the caret as an empty one.
  Answer<Selection> selection();

  // The text from its start up to the character offset (clamped to the text), read if needed.
  Answer<const TextPrefix*> prefix(std::int64_t characters);
  // The same for an offset the element itself answered in this run (its selection's end): the
  // length is not asked first.
  Answer<const TextPrefix*> prefixThrough(std::int64_t answeredOffset);
  // The text from its start far enough to convert UTF-16 offsets up to `units`.
  Answer<const TextPrefix*> prefixForUnits(std::int64_t units);
  Answer<const TextPrefix*> wholeText();

  // The characters from start to end (character offsets, start <= end).
  Answer<std::string> characters(std::int64_t start, std::int64_t end);

 private:
  GRef<AtspiAccessible> accessible_;
  std::shared_ptr<KeptAnswers> kept_;
};

}  // namespace axb::platform::atspi
