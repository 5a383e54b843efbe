// The blocked field list given to start, then selection changes in a small desktop.
//
// Input: the list's text up to the first NUL byte; after it, steps of three bytes (what, a, b):
// a selection change, a focus change or an application switch. After each step the run loop runs
// until every event it caused has been delivered. Whatever the list says, a selection in the
// application followed now either prints "blocked" and reaches the host as nothing, or reaches it
// as a selection event; one in any other application does neither.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "axbridge/axbridge.h"
#include "fuzz_support.h"
#include "sim_desktop/values.h"

namespace {

struct FieldDecl {
  axb::ProcessId pid;
  const char* id;
  const char* role;
  const char* subrole;
  const char* title;
  const char* identifier;
  axb::sim::TextKind text;
  const char* value;
};

constexpr axb::ProcessId kNotes = 10;
constexpr axb::ProcessId kMail = 20;

// Canonically equivalent pairs on purpose: "é" precomposed and decomposed, the Angstrom sign and
// "Å"; and a compatibility ligature, which is not equivalent to its letters.
const FieldDecl kFields[] = {
    {kNotes, "body", "AXTextArea", "AXStandardText", "Body", "body", axb::sim::TextKind::Native,
     "Caf\xC3\xA9 au lait\nsecond line"},
    {kNotes, "card", "AXTextField", "AXCardField", "Cafe\xCC\x81", "caf\xC3\xA9",
     axb::sim::TextKind::Native, "4111 1111 1111 1111"},
    {kNotes, "label", "AXStaticText", "AXCaption", "Label", "\xEF\xAC\x81",
     axb::sim::TextKind::Markers, "A read-only caption"},
    {kNotes, "web", "AXTextArea", "AXWebArea",
     "\xE2\x84\xAB"
     "ngstr\xC3\xB6m",
     "web", axb::sim::TextKind::Web, "web text with markers"},
    {kMail, "subject", "AXTextField", "AXPlain", "Subject", "subject", axb::sim::TextKind::Native,
     "Quarterly report"},
    {kMail, "to", "AXTextField", "AXPlain", "To", "\xC3\x85", axb::sim::TextKind::Native,
     "someone@example.com"},
};

void buildDesktop(axb::sim::Desktop& desk) {
  desk.addApplication({.pid = kNotes, .bundleId = "com.example.notes", .name = "Notes"});
  desk.addApplication({.pid = kMail, .bundleId = "com.example.mail", .name = "Mail"});
  for (const FieldDecl& field : kFields) {
    desk.addElement(field.pid, {.id = field.id,
                                .role = field.role,
                                .subrole = field.subrole,
                                .title = field.title,
                                .frame = {10, 10, 400, 40},
                                .text = field.text,
                                .value = field.value});
    desk.setAttribute(field.id, "AXIdentifier",
                      axb::platform::Object::makeString(field.identifier));
    desk.setAttribute(field.id, "AXDescription", axb::platform::Object::makeNumber(42));
    desk.setAttributeError(field.id, "AXHelp", axb::platform::axerr::kNoValue);
  }
  desk.focus("body");
  desk.focus("subject");
}

}  // namespace

void axb::fuzz::fuzzOne(std::string_view input, sim::Desktop& desk) {
  const std::string listText = cText(input);
  const std::string_view script = afterNul(input);
  buildDesktop(desk);
  initMacAccessibility(&recordHostEvent);
  start(listText.c_str());
  desk.activate(kNotes);
  desk.runFor(0.3);
  axb::ProcessId followed = kNotes;

  for (std::size_t i = 0; i + 3 <= script.size(); i += 3) {
    const auto what = static_cast<std::uint8_t>(script[i]) % 4;
    const auto a = static_cast<std::uint8_t>(script[i + 1]);
    const auto b = static_cast<std::uint8_t>(script[i + 2]);
    const FieldDecl& field = kFields[a % std::size(kFields)];
    desk.clearDiagnosticLines();
    const std::size_t eventsBefore = countEvents({"caret", "text_select"});
    if (what < 2) desk.select(field.id, {b % 24, (a / 8) % 6});
    if (what == 2) desk.focus(field.id);
    if (what == 3) followed = a % 2 == 0 ? kNotes : kMail;
    if (what == 3) desk.activate(followed);
    desk.runFor(0.3);
    if (what > 1) continue;

    const auto& lines = desk.diagnosticLines();
    const bool blocked = std::find(lines.begin(), lines.end(), "blocked") != lines.end();
    const bool heard = countEvents({"caret", "text_select"}) > eventsBefore;
    const std::string where = std::string("selection in ") + field.id + " with list " + listText;
    // Only the application followed now is heard; one followed earlier is as silent as one
    // never followed.
    if (field.pid != followed) {
      check(!blocked && !heard, "an application not followed was heard: " + where);
    } else {
      check(!(blocked && heard), "a blocked field reached the host: " + where);
      check(blocked || heard, "neither blocked nor reported: " + where);
    }
  }
}
