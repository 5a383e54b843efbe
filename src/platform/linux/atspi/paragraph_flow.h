// Word processors and browsers' editable areas expose a document as one accessible per
// paragraph, each with its own text, caret and part of the selection. A paragraph of a document,
// and the document itself where it has text of its own, answer for the text around the caret:
// with a caret, the paragraphs before it and its own (the text above the caret); with a
// selection, the paragraphs the selection spans. The paragraphs are joined with line breaks,
// and offsets count UTF-16 units from the first one's start.
#pragma once

#include <atspi/atspi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/linux/atspi/accessible_reads.h"
#include "platform/linux/glib/g_ref.h"

namespace axb::platform::atspi {

// How far the text before a caret reaches, whichever limit comes first.
inline constexpr int kMostParagraphs = 200;
inline constexpr std::size_t kMostParagraphBytes = 64 * 1024;

class ParagraphFlow {
 public:
  struct Part {
    GRef<AtspiAccessible> paragraph;
    std::string text;            // without padding
    bool utf16Offsets = false;   // the paragraph counts its offsets in UTF-16 units
    std::int64_t firstUnit = 0;  // where it starts in the flow
    std::int64_t units = 0;      // its length in UTF-16 units
  };

  ParagraphFlow(std::vector<Part> parts, Range selection);

  const std::string& text() const { return text_; }
  std::int64_t units() const { return units_; }
  Range selection() const { return selection_; }

  // The characters of a range; nothing when it runs past the text.
  std::optional<std::string> substring(Range range) const;
  // The union of the range's rectangles in each paragraph it touches.
  Answer<Rect> bounds(Range range) const;

 private:
  std::vector<Part> parts_;
  std::string text_;
  std::int64_t units_ = 0;
  Range selection_;
};

// The flow a paragraph of a document is part of, kept for the run of requests; for a document,
// the flow of the paragraph that holds its caret; nothing for any other accessible.
Answer<std::shared_ptr<const ParagraphFlow>> flowOf(AtspiAccessible* accessible);

// Whether the accessible is a paragraph whose parent is a document (see isDocument).
bool isDocumentParagraph(AtspiAccessible* accessible);

// Whether both are paragraphs of one document: a word processor moves the focus from paragraph
// to paragraph as the caret goes, while the user stays in the document.
bool inOneDocument(AtspiAccessible* a, AtspiAccessible* b);

}  // namespace axb::platform::atspi
