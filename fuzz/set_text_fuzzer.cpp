// setText with arbitrary bytes (up to the first NUL, as a C string ends there): the pasteboard
// must hold exactly the well-formed UTF-8 of them while the paste happens, the field must receive
// exactly that text, and the user's clipboard must come back whole.
#include <algorithm>
#include <string>
#include <vector>

#include "axbridge/axbridge.h"
#include "fuzz_support.h"
#include "platform/pasteboard.h"
#include "support/sample_apps.h"

namespace {

std::vector<axb::platform::PasteboardItem> usersClipboard() {
  return {{{{axb::platform::kPlainTextType, "copied earlier"}, {"public.rtf", "{\\rtf1 x}"}}},
          {{{"public.png", std::string("\x89PNG\0\x01", 6)}}}};
}

std::string plainText(const std::vector<axb::platform::PasteboardItem>& items) {
  for (const auto& item : items) {
    for (const auto& [type, data] : item.representations) {
      if (type == axb::platform::kPlainTextType) return data;
    }
  }
  return "<no plain text>";
}

}  // namespace

void axb::fuzz::fuzzOne(std::string_view input, sim::Desktop& desk) {
  axb::testing::addNotesApp("ab", {1, 0});
  desk.replacePasteboard(usersClipboard());
  initMacAccessibility(&recordHostEvent);
  start("{}");
  desk.activate(axb::testing::kNotes);
  desk.runFor(0.5);

  // The library's own write sits on the pasteboard from its activation wait until the end of
  // its paste wait; look at it in the middle, as the application does.
  std::vector<axb::platform::PasteboardItem> duringPaste;
  desk.atWorldTime(desk.now() + 0.7, [&] { duringPaste = desk.pasteboardItems(); });
  const std::string hostText = cText(input);
  setText(hostText.c_str());
  desk.runFor(0.5);

  std::size_t utf16Units = 0;
  const std::string expected = utf8::wellFormed(hostText, &utf16Units);
  check(plainText(duringPaste) == expected, "the pasteboard did not hold the well-formed text");
  check(desk.text("notes.body") == "a" + expected + "b",
        "the field did not receive exactly the text");
  // The host has no bundle identifier here: the items come back without a source marker.
  check(desk.pasteboardItems() == usersClipboard(), "the user's clipboard was not given back");

  const auto& lines = desk.diagnosticLines();
  const std::string pasted = "pasted text: " + std::to_string(utf16Units) + " characters";
  check(std::find(lines.begin(), lines.end(), pasted) != lines.end(), "no line \"" + pasted + "\"");
}
