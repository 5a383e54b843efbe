// What accessibles answered during one run of requests (a handler run or an entry-point call,
// as the core marks them), kept until the run ends, so that a run asks each accessible each
// thing once. An event about an accessible, or a change the library makes to it, drops what was
// kept about it.
#pragma once

#include <atspi/atspi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/linux/atspi/accessible_reads.h"
#include "platform/linux/atspi/text_offsets.h"

namespace axb::platform::atspi {

// Characters read from the middle of a text, from start to end (character offsets).
struct TextPiece {
  std::int64_t start = 0;
  std::int64_t end = 0;
  std::string text;
};

// The interfaces an accessible offers, of those the binding uses.
struct Interfaces {
  bool text = false;
  bool editableText = false;
};

class ParagraphFlow;

struct KeptAnswers {
  std::optional<RoleFacts> roleFacts;
  std::optional<Interfaces> interfaces;
  std::optional<std::int64_t> characterCount;
  std::optional<std::optional<Selection>> selectedRange;  // nothing inside: no selection
  std::optional<std::int64_t> caret;
  TextPrefix prefix;               // the text from its start, as far as an answer needed it
  std::optional<TextPiece> piece;  // the last characters read beyond the prefix
  std::optional<std::pair<Selection, Rect>> rangeBounds;  // the last range's rectangle
  // The paragraphs around it, for a paragraph of a document (null for any other accessible).
  std::optional<std::shared_ptr<const ParagraphFlow>> flow;
};

// Runs nest: what was kept is dropped when the outermost ends. Besides the core's runs, the
// deliveries of one event to every registration that hears it make one run: they ask the same
// accessibles about the same moment.
void beginRun();
void endRun();

class RunScope {
 public:
  RunScope() { beginRun(); }
  ~RunScope() { endRun(); }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
};

// The answers kept about the accessible in the current run; outside a run, a fresh record that
// only the caller holds.
std::shared_ptr<KeptAnswers> keptAnswers(AtspiAccessible* accessible);

void forgetAnswers(AtspiAccessible* accessible);

}  // namespace axb::platform::atspi
