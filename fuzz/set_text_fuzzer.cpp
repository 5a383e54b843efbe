// setText with arbitrary bytes (up to the first NUL, as a C string ends there): the pasteboard
// must hold exactly the well-formed UTF-8 of them while the paste happens, the field must receive
// exactly that text, and the user's clipboard must come back whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "axbridge/axbridge.h"
#include "fuzz_support.h"
#include "platform/pasteboard.h"

namespace {

using axb::fuzz::check;

constexpr axb::ProcessId kNotes = 10;

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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string hostText(input.substr(0, input.find('\0')));

  auto& desk = axb::fuzz::freshDesktop();
  desk.addApplication({.pid = kNotes, .bundleId = "com.example.notes", .name = "Notes"});
  desk.addElement(kNotes, {.id = "body",
                           .role = "AXTextArea",
                           .text = axb::sim::TextKind::Native,
                           .value = "ab",
                           .selection = {1, 0}});
  desk.focus("body");
  desk.replacePasteboard(usersClipboard());
  initMacAccessibility(&axb::fuzz::recordHostEvent);
  start("{}");
  desk.activate(kNotes);
  desk.runFor(0.5);

  // The library's own write sits on the pasteboard from its activation wait until the end of
  // its paste wait; look at it in the middle, as the application does.
  std::vector<axb::platform::PasteboardItem> duringPaste;
  desk.atWorldTime(desk.now() + 0.7, [&] { duringPaste = desk.pasteboardItems(); });
  setText(hostText.c_str());
  desk.runFor(0.5);

  std::vector<char32_t> codePoints;
  const std::string expected = axb::fuzz::utf8::wellFormed(hostText, &codePoints);
  check(plainText(duringPaste) == expected, "the pasteboard did not hold the well-formed text");
  check(desk.text("body") == "a" + expected + "b", "the field did not receive exactly the text");
  auto givenBack = usersClipboard();
  for (auto& item : givenBack) item.representations.emplace_back(axb::platform::kSourceType, "");
  check(desk.pasteboardItems() == givenBack, "the user's clipboard was not given back");

  std::size_t utf16Units = 0;
  for (const char32_t c : codePoints) utf16Units += c > 0xFFFF ? 2 : 1;
  const auto& lines = desk.diagnosticLines();
  const std::string pasted = "pasted text: " + std::to_string(utf16Units) + " characters";
  check(std::find(lines.begin(), lines.end(), pasted) != lines.end(), "no line \"" + pasted + "\"");
  return 0;
}
