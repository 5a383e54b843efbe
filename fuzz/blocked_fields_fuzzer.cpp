// The blocked field list given to start, then selection changes in a small desktop.
//
// Input: the list's text up to the first NUL byte; after it, steps of three bytes (what, a, b):
// a selection change, a focus change or an application switch. After each step the run loop runs
// until every event it caused has been delivered. A selection in a followed application must
// then either print "blocked" and reach the host as nothing, or reach it as a selection event;
// where the outcome is defined by attributes this target knows, it must be the right one.
#include <utf8proc.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "axbridge/axbridge.h"
#include "bridge/host_string.h"
#include "fuzz_support.h"
#include "sim_desktop/values.h"

namespace {

using nlohmann::json;

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

const char* bundleOf(axb::ProcessId pid) {
  return pid == kNotes ? "com.example.notes" : "com.example.mail";
}

// The attribute as a string the way the library reads it: nothing when it cannot be read or is
// not a string; unknown (outer nothing) for attributes this target does not pin down.
std::optional<std::optional<std::string>> attributeText(const FieldDecl& field,
                                                        const std::string& name) {
  if (name == "AXRole") return std::optional<std::string>(field.role);
  if (name == "AXSubrole") return std::optional<std::string>(field.subrole);
  if (name == "AXTitle") return std::optional<std::string>(field.title);
  if (name == "AXIdentifier") return std::optional<std::string>(field.identifier);
  if (name == "AXDescription" || name == "AXHelp") return std::optional<std::string>();
  return std::nullopt;
}

std::optional<std::string> composed(const std::string& text) {
  utf8proc_uint8_t* out = nullptr;
  const auto length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                   static_cast<utf8proc_ssize_t>(text.size()), &out,
                   static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owned(out, &std::free);
  if (length < 0) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(out), static_cast<std::size_t>(length));
}

// The list as the library must hold it after start: the parsed object when it is an object of
// objects, else the empty list it began with.
json expectedList(std::string_view text) {
  const json parsed = json::parse(axb::bridge::toWellFormedUtf8(text), nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) return json::object();
  for (const auto& [key, entry] : parsed.items()) {
    if (!entry.is_object()) return json::object();
  }
  return parsed;
}

// Whether a selection in the field must be blocked; nothing where this target cannot tell.
std::optional<bool> expectedBlocked(const json& list, const FieldDecl& field) {
  const auto entry = list.find(bundleOf(field.pid));
  if (entry == list.end()) return false;
  const auto name = entry->find("name");
  if (name == entry->end() || !name->is_string()) return std::nullopt;  // outside the contract
  const auto actual = attributeText(field, name->get<std::string>());
  if (!actual) return std::nullopt;
  const auto value = entry->find("value");
  if (value == entry->end() || !value->is_string()) return !actual->has_value();
  if (!actual->has_value()) return false;
  const auto a = composed(**actual);
  const auto b = composed(value->get<std::string>());
  return a && b && *a == *b;
}

void buildDesktop(axb::sim::Desktop& desk) {
  desk.addApplication({.pid = kNotes, .bundleId = bundleOf(kNotes), .name = "Notes"});
  desk.addApplication({.pid = kMail, .bundleId = bundleOf(kMail), .name = "Mail"});
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

std::size_t count(const std::vector<std::string>& lines, std::string_view what) {
  return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), what));
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
  const json list = expectedList(listText);

  for (std::size_t i = 0; i + 3 <= script.size(); i += 3) {
    const auto what = static_cast<std::uint8_t>(script[i]);
    const auto a = static_cast<std::uint8_t>(script[i + 1]);
    const auto b = static_cast<std::uint8_t>(script[i + 2]);
    const FieldDecl& field = kFields[a % std::size(kFields)];
    desk.clearDiagnosticLines();
    const std::size_t eventsBefore = countEvents({"caret", "text_select"});

    switch (what % 4) {
      case 0:
      case 1:
        desk.select(field.id, {b % 24, (a / 8) % 6});
        break;
      case 2:
        desk.focus(field.id);
        break;
      case 3: {
        const axb::ProcessId pid = a % 2 == 0 ? kNotes : kMail;
        desk.activate(pid);
        followed = pid;
        break;
      }
    }
    desk.runFor(0.3);
    if (what % 4 > 1) continue;

    const std::size_t blocked = count(desk.diagnosticLines(), "blocked");
    const std::size_t events = countEvents({"caret", "text_select"}) - eventsBefore;
    const std::string where = std::string("selection in ") + field.id + " with list " + listText;
    // Only the application followed now is heard; one followed earlier is as silent as one
    // never followed.
    if (field.pid != followed) {
      check(blocked == 0 && events == 0, "an application not followed was heard: " + where);
      continue;
    }
    check(blocked == 0 || events == 0, "a blocked field reached the host: " + where);
    if (const auto mustBlock = expectedBlocked(list, field)) {
      check(*mustBlock == (blocked > 0), (*mustBlock ? "not blocked: " : "blocked: ") + where);
      check(*mustBlock || events > 0, "no selection event: " + where);
    }
  }
}
