#include "platform/linux/atspi/paragraph_flow.h"

#include <algorithm>
#include <utility>

#include "platform/linux/atspi/accessible_identity.h"
#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/atspi/line_boxes.h"
#include "platform/linux/atspi/role_memo.h"
#include "platform/linux/atspi/roles.h"
#include "platform/linux/atspi/run_answers.h"
#include "platform/linux/atspi/text_offsets.h"
#include "platform/linux/atspi/text_reader.h"

namespace axb::platform::atspi {
namespace {

// A paragraph as read, with its part of the selection in its UTF-16 units, if it has one.
struct ReadParagraph {
  ParagraphFlow::Part part;
  std::optional<Range> selection;
};

std::int64_t unitsOf(const ParagraphFlow::Part& part, std::int64_t offset) {
  if (part.utf16Offsets) return offset;
  return utf16Offset(part.text, offset).value_or(part.units);
}

std::int64_t offsetOf(const ParagraphFlow::Part& part, std::int64_t units) {
  if (part.utf16Offsets) return units;
  return characterOffset(part.text, units).value_or(part.units);
}

Answer<ReadParagraph> readParagraph(GRef<AtspiAccessible> paragraph, bool withSelection) {
  TextReader reader(paragraph.get());
  const auto text = reader.wholeText();
  if (!text.ok()) return {text.error, {}};
  ReadParagraph read{{std::move(paragraph), text.value->text(), text.value->countsUtf16Units(), 0,
                      text.value->units()},
                     std::nullopt};
  if (!withSelection) return {axerr::kSuccess, std::move(read)};
  const auto selection = reader.selection();
  if (!selection.ok()) return {selection.error, {}};
  if (selection.value.start >= 0 && selection.value.end >= selection.value.start) {
    const std::int64_t start = unitsOf(read.part, selection.value.start);
    read.selection = Range{start, unitsOf(read.part, selection.value.end) - start};
  }
  return {axerr::kSuccess, std::move(read)};
}

bool ends(AXErrorCode error) {
  return error == axerr::kCannotComplete || error == axerr::kInvalidUIElement;
}

class FlowBuilder {
 public:
  // Empty, placed before the paragraph at the index: the first one added after it is that one.
  FlowBuilder(GRef<AtspiAccessible> document, gint index)
      : document_(std::move(document)), first_(index), last_(index - 1) {}

  // The paragraph at the index, if there is one; failed when the application stopped answering.
  Answer<std::optional<ReadParagraph>> at(gint index, bool withSelection) {
    if (index < 0) return {axerr::kSuccess, std::nullopt};
    GErrorSlot error;
    auto child = GRef<AtspiAccessible>::adopt(
        atspi_accessible_get_child_at_index(document_.get(), index, error.out()));
    if (error) {
      const AXErrorCode code = errorCodeOf(error.get());
      return {ends(code) ? code : axerr::kSuccess, std::nullopt};
    }
    if (!child) return {axerr::kSuccess, std::nullopt};
    const Answer<AtspiRole> role = roleOf(child.get());
    if (!role.ok() || role.value != ATSPI_ROLE_PARAGRAPH) return {axerr::kSuccess, std::nullopt};
    auto read = readParagraph(std::move(child), withSelection);
    if (!read.ok()) return {ends(read.error) ? read.error : axerr::kSuccess, std::nullopt};
    return {axerr::kSuccess, std::move(read.value)};
  }

  bool full() const {
    return static_cast<int>(parts_.size()) >= kMostParagraphs || bytes_ >= kMostParagraphBytes;
  }
  void add(ReadParagraph read, bool before) {
    bytes_ += read.part.text.size();
    if (before) {
      parts_.insert(parts_.begin(), std::move(read));
      --first_;
    } else {
      parts_.push_back(std::move(read));
      ++last_;
    }
  }
  gint first() const { return first_; }
  gint last() const { return last_; }
  std::vector<ReadParagraph>& parts() { return parts_; }

 private:
  GRef<AtspiAccessible> document_;
  std::vector<ReadParagraph> parts_;
  std::size_t bytes_ = 0;
  gint first_;
  gint last_;
};

// Whether the accessible is a document, asking for its states only when its role does not tell.
Answer<bool> isDocumentAccessible(AtspiAccessible* accessible) {
  const Answer<AtspiRole> role = roleOf(accessible);
  if (!role.ok()) return {role.error, false};
  if (role.value == ATSPI_ROLE_DOCUMENT_TEXT) return {axerr::kSuccess, true};
  if (isTextRole(role.value)) return {axerr::kSuccess, false};
  const auto facts = readRoleFacts(accessible);
  if (!facts.ok()) return {facts.error, false};
  return {axerr::kSuccess, isDocument(facts.value)};
}

// The paragraph's document, if its parent is one.
GRef<AtspiAccessible> documentOf(AtspiAccessible* paragraph) {
  const Answer<AtspiRole> role = roleOf(paragraph);
  if (!role.ok() || role.value != ATSPI_ROLE_PARAGRAPH) return {};
  auto parent = GRef<AtspiAccessible>::adopt(atspi_accessible_get_parent(paragraph, nullptr));
  if (!parent) return {};
  const Answer<bool> document = isDocumentAccessible(parent.get());
  return document.ok() && document.value ? std::move(parent) : GRef<AtspiAccessible>();
}

// The document's paragraph that holds its caret. A browser's editable area counts each of its
// paragraphs as one character of its own text, a link to the paragraph: the one at the caret.
Answer<GRef<AtspiAccessible>> caretParagraph(AtspiAccessible* document) {
  using Found = Answer<GRef<AtspiAccessible>>;
  const auto hypertext =
      GRef<AtspiHypertext>::adopt(atspi_accessible_get_hypertext_iface(document));
  if (!hypertext || !hasText(document)) return {axerr::kSuccess, {}};
  GErrorSlot error;
  const gint caret = atspi_text_get_caret_offset(ATSPI_TEXT(document), error.out());
  const gint index =
      error || caret < 0 ? -1 : atspi_hypertext_get_link_index(hypertext.get(), caret, error.out());
  const auto link = GRef<AtspiHyperlink>::adopt(
      error || index < 0 ? nullptr : atspi_hypertext_get_link(hypertext.get(), index, error.out()));
  auto paragraph = GRef<AtspiAccessible>::adopt(
      error || !link ? nullptr : atspi_hyperlink_get_object(link.get(), 0, error.out()));
  if (error) {
    const AXErrorCode code = errorCodeOf(error.get());
    return Found{ends(code) ? code : axerr::kSuccess, {}};
  }
  const Answer<AtspiRole> role = paragraph ? roleOf(paragraph.get()) : Answer<AtspiRole>{};
  if (!paragraph || !role.ok() || role.value != ATSPI_ROLE_PARAGRAPH) return {axerr::kSuccess, {}};
  return {axerr::kSuccess, std::move(paragraph)};
}

Answer<std::shared_ptr<const ParagraphFlow>> buildFlow(AtspiAccessible* accessible) {
  using Flow = std::shared_ptr<const ParagraphFlow>;
  const auto facts = readRoleFacts(accessible);
  if (!facts.ok()) return {facts.error, nullptr};
  GRef<AtspiAccessible> held;
  if (facts.value.role == ATSPI_ROLE_PARAGRAPH) {
    held = GRef<AtspiAccessible>::retain(accessible);
  } else if (isDocument(facts.value)) {
    auto found = caretParagraph(accessible);
    if (!found.ok()) return {found.error, nullptr};
    held = std::move(found.value);
  }
  if (!held) return {axerr::kSuccess, nullptr};
  AtspiAccessible* paragraph = held.get();
  GRef<AtspiAccessible> document = documentOf(paragraph);
  if (!document) return {axerr::kSuccess, nullptr};
  GErrorSlot error;
  const gint index = atspi_accessible_get_index_in_parent(paragraph, error.out());
  if (error || index < 0) return {axerr::kSuccess, nullptr};
  // The paragraphs are asked afresh: nothing here listens for the events that keep libatspi's
  // copy of the document's children current.
  document.get()->cached_properties &= ~static_cast<guint>(ATSPI_CACHE_CHILDREN);

  auto own = readParagraph(GRef<AtspiAccessible>::retain(paragraph), true);
  if (!own.ok()) return {own.error, nullptr};
  const std::optional<Range> ownSelection = own.value.selection;
  const std::int64_t ownUnits = own.value.part.units;
  FlowBuilder builder(std::move(document), index);
  builder.add(std::move(own.value), false);

  if (!ownSelection || ownSelection->length == 0) {
    // A caret: the text above it.
    while (!builder.full()) {
      auto before = builder.at(builder.first() - 1, false);
      if (!before.ok()) return {before.error, nullptr};
      if (!before.value) break;
      builder.add(std::move(*before.value), true);
    }
  } else {
    // A selection: the paragraphs it runs on into, each selected up to its edge.
    for (bool reachesStart = ownSelection->location == 0; reachesStart && !builder.full();) {
      auto before = builder.at(builder.first() - 1, true);
      if (!before.ok()) return {before.error, nullptr};
      if (!before.value || !before.value->selection || before.value->selection->length == 0 ||
          before.value->selection->location + before.value->selection->length !=
              before.value->part.units) {
        break;
      }
      reachesStart = before.value->selection->location == 0;
      builder.add(std::move(*before.value), true);
    }
    for (bool reachesEnd = ownSelection->location + ownSelection->length == ownUnits;
         reachesEnd && !builder.full();) {
      auto after = builder.at(builder.last() + 1, true);
      if (!after.ok()) return {after.error, nullptr};
      if (!after.value || !after.value->selection || after.value->selection->length == 0 ||
          after.value->selection->location != 0) {
        break;
      }
      reachesEnd = after.value->selection->length == after.value->part.units;
      builder.add(std::move(*after.value), false);
    }
  }

  std::vector<ParagraphFlow::Part> parts;
  std::optional<std::int64_t> selectionStart;
  std::int64_t selectionEnd = 0;
  std::int64_t unit = 0;
  for (ReadParagraph& read : builder.parts()) {
    read.part.firstUnit = unit;
    if (read.selection && (read.selection->length > 0 || read.part.paragraph.get() == paragraph)) {
      if (!selectionStart) selectionStart = unit + read.selection->location;
      selectionEnd = unit + read.selection->location + read.selection->length;
    }
    unit += read.part.units + 1;  // the line break that joins it to the next
    parts.push_back(std::move(read.part));
  }
  const std::int64_t start = selectionStart.value_or(0);
  return {axerr::kSuccess,
          Flow(std::make_shared<ParagraphFlow>(
              std::move(parts), Range{start, std::max(selectionEnd, start) - start}))};
}

}  // namespace

ParagraphFlow::ParagraphFlow(std::vector<Part> parts, Range selection)
    : parts_(std::move(parts)), selection_(selection) {
  for (const Part& part : parts_) {
    if (&part != &parts_.front()) text_ += '\n';
    text_ += part.text;
  }
  units_ = parts_.empty() ? 0 : parts_.back().firstUnit + parts_.back().units;
}

std::optional<std::string> ParagraphFlow::substring(Range range) const {
  const auto span = characterSpan(text_, range);
  if (!span) return std::nullopt;
  return characterSubstring(text_, span->start, span->end);
}

Answer<Rect> ParagraphFlow::bounds(Range range) const {
  if (range.location < 0 || range.length < 0 || range.location + range.length > units_) {
    return {axerr::kIllegalArgument, {}};
  }
  const std::int64_t end = range.location + range.length;
  std::optional<Rect> bounds;
  for (const Part& part : parts_) {
    const std::int64_t partEnd = part.firstUnit + part.units;
    const bool touches = range.length == 0
                             ? range.location >= part.firstUnit && range.location <= partEnd
                             : range.location < partEnd && end > part.firstUnit;
    if (!touches) continue;
    const std::int64_t localStart = std::max(range.location, part.firstUnit) - part.firstUnit;
    const std::int64_t localEnd = std::min(end, partEnd) - part.firstUnit;
    const Answer<Rect> box =
        readRangeBounds(part.paragraph.get(), offsetOf(part, localStart), offsetOf(part, localEnd));
    if (ends(box.error)) return box;
    if (box.ok()) bounds = bounds ? unionOf(*bounds, box.value) : box.value;
    if (range.length == 0) break;
  }
  if (!bounds) return {axerr::kNoValue, {}};
  return {axerr::kSuccess, *bounds};
}

bool isDocumentParagraph(AtspiAccessible* accessible) {
  return static_cast<bool>(documentOf(accessible));
}

bool inOneDocument(AtspiAccessible* a, AtspiAccessible* b) {
  const GRef<AtspiAccessible> document = documentOf(a);
  return document && sameAccessible(document.get(), documentOf(b).get());
}

Answer<std::shared_ptr<const ParagraphFlow>> flowOf(AtspiAccessible* accessible) {
  const std::shared_ptr<KeptAnswers> kept = keptAnswers(accessible);
  if (kept->flow) return {axerr::kSuccess, *kept->flow};
  auto flow = buildFlow(accessible);
  if (flow.ok()) kept->flow = flow.value;
  return flow;
}

}  // namespace axb::platform::atspi
