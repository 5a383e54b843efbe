// Requests to other applications through AT-SPI, answered in the accessibility vocabulary the
// core speaks ("AXRole", "AXSelectedTextRange", ...). Text offsets cross the boundary in UTF-16
// units and are converted in text_offsets.cpp.
#include "platform/accessibility.h"

#include <signal.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/atspi/accessible_reads.h"
#include "platform/linux/atspi/atspi_session.h"
#include "platform/linux/atspi/event_hub.h"
#include "platform/linux/atspi/paragraph_flow.h"
#include "platform/linux/atspi/run_answers.h"
#include "platform/linux/atspi/text_offsets.h"
#include "platform/linux/atspi/text_reader.h"
#include "platform/linux/atspi/trust.h"
#include "platform/linux/object_impl.h"
#include "platform/linux/wayland/paste_route.h"
#include "platform/linux/wayland/session.h"
#include "platform/utf8.h"
#include "platform/vocabulary.h"

namespace axb::platform {
namespace {

using atspi::Answer;
using atspi::CharacterSpan;
using atspi::ElementValue;
using atspi::MarkerRangeValue;
using atspi::MarkerValue;
using atspi::RoleFacts;
using atspi::TextReader;
using atspi::valueOf;
using atspi::wrap;

constexpr char kApplicationPath[] = "/org/a11y/atspi/accessible/root";

bool processExists(ProcessId pid) {
  return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// The accessible behind an element; an application not yet in the tree is looked up again.
Answer<GRef<AtspiAccessible>> resolve(const Element& element) {
  const ElementValue* value = valueOf<ElementValue>(element.object());
  if (!value) return {axerr::kIllegalArgument, {}};
  if (value->accessible) return {axerr::kSuccess, value->accessible};
  if (!atspi::ensureSession()) return {axerr::kCannotComplete, {}};
  if (auto application = atspi::applicationOf(value->pid)) {
    return {axerr::kSuccess, std::move(application)};
  }
  // Still launching, or gone.
  return {processExists(value->pid) ? axerr::kCannotComplete : axerr::kInvalidUIElement, {}};
}

bool isApplication(AtspiAccessible* accessible) {
  return accessible->parent.path && std::strcmp(accessible->parent.path, kApplicationPath) == 0;
}

CopyResult success(Object value) {
  return {axerr::kSuccess, std::move(value)};
}

CopyResult geometry(AXValueType type, const Rect& rect) {
  atspi::GeometryValue value;
  value.type = type;
  value.rect = rect;
  value.point = Point{rect.x, rect.y};
  value.size = Size{rect.width, rect.height};
  return success(wrap(value));
}

CopyResult rangeValue(Range range) {
  return success(Object::makeRange(range));
}

// The element that has the focus in the application: the last one that gained it, if it still
// has it (events can be stale), else the first focused descendant.
CopyResult focusedElement(AtspiAccessible* application) {
  const std::optional<ProcessId> pid = atspi::processOf(application);
  if (pid) {
    if (auto last = atspi::lastFocusedIn(*pid)) {
      const auto facts = atspi::readRoleFacts(last.get());
      if (facts.ok() && facts.value.focused) return success(atspi::wrapAccessible(last));
      if (facts.error == axerr::kCannotComplete) return {facts.error, Object()};
    }
  }
  auto found = atspi::findFocusedDescendant(application);
  if (!found.ok()) return {found.error, Object()};
  if (!found.value) return {axerr::kNoValue, Object()};
  return success(atspi::wrapAccessible(std::move(found.value)));
}

template <typename T>
CopyResult fromAnswer(const Answer<T>& answer, Object (*make)(const T&)) {
  if (!answer.ok()) return {answer.error, Object()};
  return success(make(answer.value));
}

Object makeText(const std::string& text) {
  return Object::makeString(text);
}

// A marker's element and offset, when both ends of a marker range lie in one element.
struct MarkerSpan {
  GRef<AtspiAccessible> accessible;
  std::int64_t start = 0;
  std::int64_t end = 0;
};

std::optional<MarkerSpan> spanOf(const Object& markerRange) {
  const MarkerRangeValue* range = valueOf<MarkerRangeValue>(markerRange);
  if (!range || !range->start.element.accessible || !range->end.element.accessible) {
    return std::nullopt;
  }
  if (!atspi::sameAccessible(range->start.element.accessible.get(),
                             range->end.element.accessible.get())) {
    return std::nullopt;
  }
  return MarkerSpan{range->start.element.accessible,
                    std::min(range->start.offset, range->end.offset),
                    std::max(range->start.offset, range->end.offset)};
}

Object markerRange(const GRef<AtspiAccessible>& accessible, std::int64_t start, std::int64_t end) {
  return wrap(MarkerRangeValue{MarkerValue{ElementValue{accessible, 0}, start},
                               MarkerValue{ElementValue{accessible, 0}, end}});
}

// A paragraph's text attributes, answered for the paragraphs around it.
CopyResult flowAttribute(const atspi::ParagraphFlow& flow, std::string_view attribute) {
  if (attribute == attributes::kValue) return success(Object::makeString(flow.text()));
  if (attribute == attributes::kNumberOfCharacters) {
    return success(Object::makeNumber(static_cast<double>(flow.units())));
  }
  if (attribute == attributes::kSelectedTextRange) return rangeValue(flow.selection());
  return success(Object::makeString(flow.substring(flow.selection()).value_or("")));
}

// The attributes' readers. Those given role facts are called after the facts were read.

CopyResult readFocusedElement(const GRef<AtspiAccessible>& accessible, std::string_view,
                              const RoleFacts*) {
  return focusedElement(accessible.get());
}

CopyResult readTitle(const GRef<AtspiAccessible>& accessible, std::string_view, const RoleFacts*) {
  return fromAnswer(atspi::readName(accessible.get()), makeText);
}

CopyResult readDescription(const GRef<AtspiAccessible>& accessible, std::string_view,
                           const RoleFacts*) {
  return fromAnswer(atspi::readDescription(accessible.get()), makeText);
}

CopyResult readIdentifier(const GRef<AtspiAccessible>& accessible, std::string_view,
                          const RoleFacts*) {
  const auto identifier = atspi::readIdentifier(accessible.get());
  if (identifier.ok() && identifier.value.empty()) return {axerr::kNoValue, Object()};
  return fromAnswer(identifier, makeText);
}

CopyResult readRole(const GRef<AtspiAccessible>& accessible, std::string_view,
                    const RoleFacts* facts) {
  // A paragraph of a document is part of one text area, whatever its own states say.
  if (facts->role == ATSPI_ROLE_PARAGRAPH && atspi::isDocumentParagraph(accessible.get())) {
    return success(Object::makeString(roles::kTextArea));
  }
  return success(Object::makeString(roleName(*facts)));
}

CopyResult readSubrole(const GRef<AtspiAccessible>&, std::string_view, const RoleFacts* facts) {
  const auto subrole = subroleName(*facts);
  if (!subrole) return {axerr::kNoValue, Object()};
  return success(Object::makeString(*subrole));
}

CopyResult readFocused(const GRef<AtspiAccessible>&, std::string_view, const RoleFacts* facts) {
  return success(Object::makeBoolean(facts->focused));
}

CopyResult readGeometry(const GRef<AtspiAccessible>& accessible, std::string_view attribute,
                        const RoleFacts*) {
  const auto extents = atspi::readExtents(accessible.get());
  if (!extents.ok()) return {extents.error, Object()};
  if (attribute == attributes::kPosition) return geometry(AXValueType::CGPoint, extents.value);
  if (attribute == attributes::kSize) return geometry(AXValueType::CGSize, extents.value);
  return geometry(AXValueType::CGRect, extents.value);
}

CopyResult readChildren(const GRef<AtspiAccessible>& accessible, std::string_view,
                        const RoleFacts*) {
  auto children = atspi::readChildren(accessible.get());
  if (!children.ok()) return {children.error, Object()};
  std::vector<Object> items;
  for (auto& child : children.value) items.push_back(atspi::wrapAccessible(child));
  return success(wrap(std::move(items)));
}

// The text attributes: the value, its length, the selection and its text.
CopyResult readText(const GRef<AtspiAccessible>& accessible, std::string_view attribute,
                    const RoleFacts* facts) {
  AtspiAccessible* raw = accessible.get();
  if (!atspi::hasText(raw)) return {axerr::kAttributeUnsupported, Object()};
  if (atspi::keepsTextSecret(*facts) &&
      (attribute == attributes::kValue || attribute == attributes::kSelectedText ||
       attribute == attributes::kNumberOfCharacters)) {
    return {axerr::kNoValue, Object()};
  }
  TextReader reader(raw);
  if (attribute != attributes::kSelectedTextMarkerRange) {
    // A caret's selected text is empty without the paragraphs around it.
    if (attribute == attributes::kSelectedText) {
      const auto selection = reader.selectedRange();
      if (!selection.ok()) return {selection.error, Object()};
      if (!selection.value) return success(Object::makeString(""));
    }
    const auto flow = atspi::flowOf(raw);
    if (!flow.ok()) return {flow.error, Object()};
    if (flow.value) return flowAttribute(*flow.value, attribute);
  }
  if (attribute == attributes::kValue || attribute == attributes::kNumberOfCharacters) {
    const auto text = reader.wholeText();
    if (!text.ok()) return {text.error, Object()};
    if (attribute == attributes::kValue) return success(Object::makeString(text.value->text()));
    return success(Object::makeNumber(static_cast<double>(text.value->units())));
  }
  const auto selection = reader.selection();
  if (!selection.ok()) return {selection.error, Object()};
  const std::int64_t start = selection.value.start;
  const std::int64_t end = selection.value.end;
  if (attribute == attributes::kSelectedTextMarkerRange)
    return success(markerRange(accessible, start, end));
  if (attribute == attributes::kSelectedText) {
    // Read with the text before them, which the selection's range is counted in: whoever asks
    // for a selection's text asks for its range too.
    const auto before = reader.prefixThrough(end);
    if (!before.ok()) return {before.error, Object()};
    const auto text = reader.characters(start, end);
    if (!text.ok()) return {text.error, Object()};
    return success(Object::makeString(text.value));
  }
  // AXSelectedTextRange: in UTF-16 units, counted in the text before its end.
  const auto text = reader.prefixThrough(end);
  if (!text.ok()) return {text.error, Object()};
  const auto range = text.value->utf16Range(start, end);
  // A selection beyond the text the application just reported: it changed in between.
  if (!range) return {axerr::kCannotComplete, Object()};
  return rangeValue(*range);
}

// A password field's characters, bullets included, and its length never leave it.
bool secretText(AtspiAccessible* accessible) {
  const auto facts = atspi::readRoleFacts(accessible);
  return !facts.ok() || atspi::keepsTextSecret(facts.value);
}

// The characters of a UTF-16 range, from the text before the range's end; -25201 when the
// range runs past the text.
Answer<CharacterSpan> spanOfRange(TextReader& reader, Range range) {
  if (range.location < 0 || range.length < 0 ||
      range.length > std::numeric_limits<std::int64_t>::max() - range.location) {
    return {axerr::kIllegalArgument, {}};
  }
  const auto text = reader.prefixForUnits(range.location + range.length);
  if (!text.ok()) return {text.error, {}};
  const auto span = text.value->characterSpan(range);
  if (!span) return {axerr::kIllegalArgument, {}};
  return {axerr::kSuccess, *span};
}

AXErrorCode writeAttribute(AtspiAccessible* raw, std::string_view attribute, const Object& value) {
  GErrorSlot error;
  if (attribute == attributes::kFocused) {
    const std::optional<bool> focus = value.boolean();
    if (!focus) return axerr::kIllegalArgument;
    if (!*focus) return axerr::kSuccess;
    atspi_component_grab_focus(ATSPI_COMPONENT(raw), error.out());
    return error ? atspi::errorCodeOf(error.get()) : axerr::kSuccess;
  }
  if (attribute == attributes::kValue) {
    const std::optional<std::string> text = value.string();
    if (!text) return axerr::kIllegalArgument;
    if (!atspi::hasEditableText(raw)) return axerr::kAttributeUnsupported;
    atspi_editable_text_set_text_contents(ATSPI_EDITABLE_TEXT(raw), text->c_str(), error.out());
    return error ? atspi::errorCodeOf(error.get()) : axerr::kSuccess;
  }
  if (attribute == attributes::kSelectedTextRange) {
    const std::optional<Range> range = value.axRange();
    if (!range) return axerr::kIllegalArgument;
    if (!atspi::hasText(raw)) return axerr::kAttributeUnsupported;
    TextReader reader(raw);
    const auto spanned = spanOfRange(reader, *range);
    if (!spanned.ok()) return spanned.error;
    const CharacterSpan* span = &spanned.value;
    AtspiText* target = ATSPI_TEXT(raw);
    if (span->start == span->end) {
      atspi_text_remove_selection(target, 0, nullptr);
      atspi_text_set_caret_offset(target, static_cast<gint>(span->start), error.out());
    } else {
      // Setting a selection fails while there is none yet; adding one works.
      const gint count = atspi_text_get_n_selections(target, nullptr);
      if (count > 0) {
        atspi_text_set_selection(target, 0, static_cast<gint>(span->start),
                                 static_cast<gint>(span->end), error.out());
      } else {
        atspi_text_add_selection(target, static_cast<gint>(span->start),
                                 static_cast<gint>(span->end), error.out());
      }
    }
    return error ? atspi::errorCodeOf(error.get()) : axerr::kSuccess;
  }
  return axerr::kAttributeUnsupported;
}

// Which elements offer an attribute, and how whether it is settable is answered.
enum class Offered { Always, WithSubrole, OnApplications, WithText, Never };
enum class Settable { No, WhenFocusable, WhenEditable, WithText };

struct AttributeEntry {
  const char* name;
  Offered offered;
  Settable settable;
  bool readsFacts;  // the role facts are read first, and their failure answered
  CopyResult (*read)(const GRef<AtspiAccessible>&, std::string_view, const RoleFacts*);
};

// In the order copyAttributeNames lists them.
constexpr AttributeEntry kAttributes[] = {
    {attributes::kRole, Offered::Always, Settable::No, true, readRole},
    {attributes::kTitle, Offered::Always, Settable::No, false, readTitle},
    {attributes::kDescription, Offered::Always, Settable::No, false, readDescription},
    {attributes::kIdentifier, Offered::Always, Settable::No, false, readIdentifier},
    {attributes::kFocused, Offered::Always, Settable::WhenFocusable, true, readFocused},
    {attributes::kPosition, Offered::Always, Settable::No, true, readGeometry},
    {attributes::kSize, Offered::Always, Settable::No, true, readGeometry},
    {attributes::kFrame, Offered::Always, Settable::No, true, readGeometry},
    {attributes::kChildren, Offered::Always, Settable::No, true, readChildren},
    {attributes::kSubrole, Offered::WithSubrole, Settable::No, true, readSubrole},
    {attributes::kFocusedUIElement, Offered::OnApplications, Settable::No, false,
     readFocusedElement},
    {attributes::kValue, Offered::WithText, Settable::WhenEditable, true, readText},
    {attributes::kSelectedText, Offered::WithText, Settable::No, true, readText},
    {attributes::kSelectedTextRange, Offered::WithText, Settable::WithText, true, readText},
    {attributes::kNumberOfCharacters, Offered::WithText, Settable::No, true, readText},
    {attributes::kSelectedTextMarkerRange, Offered::WithText, Settable::No, true, readText},
    // A macOS switch for assistive applications; AT-SPI has no counterpart.
    {attributes::kEnhancedUserInterface, Offered::Never, Settable::No, true, nullptr},
};

const AttributeEntry* entryOf(std::string_view attribute) {
  for (const auto& entry : kAttributes) {
    if (attribute == entry.name) return &entry;
  }
  return nullptr;
}

CopyResult readAttribute(const GRef<AtspiAccessible>& accessible, std::string_view attribute) {
  const AttributeEntry* entry = entryOf(attribute);
  if (entry && !entry->readsFacts) return entry->read(accessible, attribute, nullptr);
  const Answer<RoleFacts> facts = atspi::readRoleFacts(accessible.get());
  if (!facts.ok()) return {facts.error, Object()};
  if (!entry || !entry->read) return {axerr::kAttributeUnsupported, Object()};
  return entry->read(accessible, attribute, &facts.value);
}

}  // namespace

CopyResult copyAttributeValue(const Element& element, std::string_view attribute) {
  const auto accessible = resolve(element);
  if (!accessible.ok()) return {accessible.error, Object()};
  return readAttribute(accessible.value, attribute);
}

CopyResult copyParameterizedAttributeValue(const Element& element, std::string_view attribute,
                                           const Object& parameter) {
  if (!parameter) return {axerr::kIllegalArgument, Object()};
  const auto resolved = resolve(element);
  if (!resolved.ok()) return {resolved.error, Object()};
  AtspiAccessible* raw = resolved.value.get();

  if (attribute == parameterized::kStringForTextMarkerRange ||
      attribute == parameterized::kBoundsForTextMarkerRange) {
    if (parameter.kind() != ValueKind::TextMarkerRange) return {axerr::kIllegalArgument, Object()};
    const std::optional<MarkerSpan> span = spanOf(parameter);
    if (!span) return {axerr::kIllegalArgument, Object()};
    if (attribute == parameterized::kBoundsForTextMarkerRange) {
      const auto bounds = atspi::readRangeBounds(span->accessible.get(), span->start, span->end);
      if (!bounds.ok()) return {bounds.error, Object()};
      return geometry(AXValueType::CGRect, bounds.value);
    }
    if (secretText(span->accessible.get())) return {axerr::kNoValue, Object()};
    TextReader reader(span->accessible.get());
    const auto text = reader.characters(span->start, span->end);
    if (!text.ok()) return {text.error, Object()};
    return success(Object::makeString(text.value));
  }

  if (attribute != parameterized::kStringForRange && attribute != parameterized::kBoundsForRange) {
    return {axerr::kParameterizedAttributeUnsupported, Object()};
  }
  const std::optional<Range> range = parameter.axRange();
  if (!range) return {axerr::kIllegalArgument, Object()};
  if (!atspi::hasText(raw)) return {axerr::kParameterizedAttributeUnsupported, Object()};
  if (!secretText(raw)) {
    const auto flow = atspi::flowOf(raw);
    if (!flow.ok()) return {flow.error, Object()};
    if (flow.value && attribute == parameterized::kStringForRange) {
      const auto text = flow.value->substring(*range);
      if (!text) return {axerr::kIllegalArgument, Object()};
      return success(Object::makeString(*text));
    }
    if (flow.value) {
      const auto bounds = flow.value->bounds(*range);
      if (!bounds.ok()) return {bounds.error, Object()};
      return geometry(AXValueType::CGRect, bounds.value);
    }
  }
  TextReader reader(raw);
  const auto span = spanOfRange(reader, *range);
  if (!span.ok()) return {span.error, Object()};
  if (attribute == parameterized::kStringForRange) {
    if (secretText(raw)) return {axerr::kNoValue, Object()};
    const auto text = reader.characters(span.value.start, span.value.end);
    if (!text.ok()) return {text.error, Object()};
    return success(Object::makeString(text.value));
  }
  const auto bounds = atspi::readRangeBounds(raw, span.value.start, span.value.end);
  if (!bounds.ok()) return {bounds.error, Object()};
  return geometry(AXValueType::CGRect, bounds.value);
}

CopyResult copyAttributeNames(const Element& element) {
  const auto resolved = resolve(element);
  if (!resolved.ok()) return {resolved.error, Object()};
  AtspiAccessible* raw = resolved.value.get();
  const auto facts = atspi::readRoleFacts(raw);
  if (!facts.ok()) return {facts.error, Object()};
  const bool subrole = static_cast<bool>(subroleName(facts.value));
  const bool application = isApplication(raw);
  const bool text = atspi::hasText(raw);
  std::vector<Object> names;
  for (const auto& entry : kAttributes) {
    const bool offered = entry.offered == Offered::Always ||
                         (entry.offered == Offered::WithSubrole && subrole) ||
                         (entry.offered == Offered::OnApplications && application) ||
                         (entry.offered == Offered::WithText && text);
    if (offered) names.push_back(Object::makeString(entry.name));
  }
  return success(wrap(std::move(names)));
}

SettableResult isAttributeSettable(const Element& element, std::string_view attribute) {
  const auto resolved = resolve(element);
  if (!resolved.ok()) return {resolved.error, false};
  AtspiAccessible* raw = resolved.value.get();
  const auto facts = atspi::readRoleFacts(raw);
  if (!facts.ok()) return {facts.error, false};
  const AttributeEntry* entry = entryOf(attribute);
  if (entry && entry->settable == Settable::WhenFocusable) {
    return {axerr::kSuccess, facts.value.focusable};
  }
  const bool text = atspi::hasText(raw);
  if (!entry || (entry->offered == Offered::WithText && !text)) {
    return {axerr::kAttributeUnsupported, false};
  }
  switch (entry->settable) {
    case Settable::WhenEditable:
      return {axerr::kSuccess, atspi::isEditable(facts.value, atspi::hasEditableText(raw))};
    case Settable::WithText:
      return {axerr::kSuccess, true};
    default:
      return {axerr::kSuccess, false};
  }
}

AXErrorCode setAttributeValue(const Element& element, std::string_view attribute,
                              const Object& value) {
  if (!value) return axerr::kIllegalArgument;
  const auto resolved = resolve(element);
  if (!resolved.ok()) return resolved.error;
  const AXErrorCode written = writeAttribute(resolved.value.get(), attribute, value);
  // What the run read about the element may be out of date now.
  atspi::forgetAnswers(resolved.value.get());
  return written;
}

Element createApplicationElement(ProcessId pid) {
  GRef<AtspiAccessible> application = atspi::applicationOf(pid);
  if (application) return *Element::from(atspi::wrapAccessible(std::move(application)));
  // Not in the tree (yet): a placeholder whose requests look again.
  return *Element::from(wrap(ElementValue{{}, pid}));
}

std::optional<ProcessId> elementProcessId(const Element& element) {
  const ElementValue* value = valueOf<ElementValue>(element.object());
  if (!value) return std::nullopt;
  if (!value->accessible) return value->pid;
  return atspi::processOf(value->accessible.get());
}

Object textMarkerRangeStart(const Object& markerRange) {
  const MarkerRangeValue* range = valueOf<MarkerRangeValue>(markerRange);
  return range ? wrap(range->start) : Object();
}

Object textMarkerRangeEnd(const Object& markerRange) {
  const MarkerRangeValue* range = valueOf<MarkerRangeValue>(markerRange);
  return range ? wrap(range->end) : Object();
}

Object makeTextMarkerRange(const Object& startMarker, const Object& endMarker) {
  const MarkerValue* start = valueOf<MarkerValue>(startMarker);
  const MarkerValue* end = valueOf<MarkerValue>(endMarker);
  if (!start || !end) return Object();
  return wrap(MarkerRangeValue{*start, *end});
}

FocusedApplicationResult focusedApplication() {
  // Asked of the X server or the compositor: it answers at once, also right after a blocking
  // wait.
  const std::optional<ProcessId> pid = wayland::frontmostProcess();
  if (!pid) return {axerr::kNoValue, 0};
  return {axerr::kSuccess, *pid};
}

void beginRequestRun() {
  atspi::beginRun();
}

void endRequestRun() {
  atspi::endRun();
}

bool isProcessTrusted(bool prompt) {
  // Where only the desktop's portal lets the library type the paste's keystroke, the user is
  // asked there too (its dialog answers later).
  if (prompt) wayland::askForPortalKeystroke();
  return atspi::accessibilityEnabled(prompt);
}

}  // namespace axb::platform
