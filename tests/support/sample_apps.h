// The applications most tests and benchmarks work in: Notes, a text editor (a window holding an
// editable text area, focused, and a static label), and Mail (a single-line field).
#pragma once

#include <string>

#include "sim_desktop/desktop.h"

namespace axb::testing {

// A text editor: a window holding an editable text area, focused, and a static label.
inline constexpr ProcessId kNotes = 10;
inline constexpr ProcessId kMail = 20;

inline void addNotesApp(const std::string& text = "Hello wrld", Range selection = {0, 0}) {
  auto& desk = sim::Desktop::current();
  desk.addApplication({.pid = kNotes, .bundleId = "com.example.notes", .name = "Notes"});
  desk.addElement(kNotes,
                  {.id = "notes.window", .role = "AXWindow", .frame = {100, 100, 600, 400}});
  desk.addElement(kNotes, {.id = "notes.body",
                           .role = "AXTextArea",
                           .window = "notes.window",
                           .frame = {110, 140, 580, 340},
                           .text = sim::TextKind::Native,
                           .value = text,
                           .selection = selection});
  desk.addElement(kNotes, {.id = "notes.label",
                           .role = "AXStaticText",
                           .window = "notes.window",
                           .frame = {110, 110, 300, 20},
                           .text = sim::TextKind::Markers,
                           .value = "Read-only note title",
                           .editable = false});
  desk.focus("notes.body");
}

// A mail client with a single-line field.
inline void addMailApp() {
  auto& desk = sim::Desktop::current();
  desk.addApplication({.pid = kMail, .bundleId = "com.example.mail", .name = "Mail"});
  desk.addElement(kMail, {.id = "mail.window", .role = "AXWindow", .frame = {0, 0, 800, 600}});
  desk.addElement(kMail, {.id = "mail.subject",
                          .role = "AXTextField",
                          .window = "mail.window",
                          .frame = {10, 40, 500, 24},
                          .text = sim::TextKind::Native,
                          .value = "Quarterly report"});
  desk.focus("mail.subject");
}

}  // namespace axb::testing
