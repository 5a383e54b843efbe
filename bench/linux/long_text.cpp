// Each answer reads the part of the text it needs, so that neither a caret move, nor a
// selection, nor the assistant request holds the host's main loop for long, however long the
// text. The caret stands five characters before the end, where the most text lies above it.
#include "long_text.h"

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "axbridge/axbridge.h"
#include "platform/accessibility.h"
#include "x11_input.h"

namespace axb::measure {
namespace {

constexpr int kCharacters = 10 * 1024 * 1024;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Turns the main context until an event of that name arrives (or 10 s pass): the longest single
// turn, the longest the library held the host's main loop meanwhile.
std::string longestTurnUntil(const std::string& name, std::size_t from) {
  double longest = 0;
  const double deadline = now() + 10.0;
  const auto arrived = [&] {
    const auto& events = e2e::receivedEvents();
    return std::any_of(events.begin() + static_cast<long>(from), events.end(),
                       [&](const e2e::HostEvent& event) { return event.name == name; });
  };
  while (!arrived() && now() < deadline) {
    const double began = now();
    e2e::turnOnce();
    longest = std::max(longest, now() - began);
  }
  char figure[64];
  std::snprintf(figure, sizeof figure, "%.3f s%s", longest, arrived() ? "" : " (no event)");
  return figure;
}

std::string focusedRole(pid_t pid) {
  const platform::CopyResult focused =
      platform::copyAttributeValue(platform::createApplicationElement(pid), "AXFocusedUIElement");
  const auto element = platform::Element::from(focused.value);
  if (!element) return "";
  return platform::copyAttributeValue(*element, "AXRole").value.string().value_or("");
}

}  // namespace

std::string longTextFigure(e2e::ChildApp& app,
                           const std::function<bool(std::uint32_t, bool)>& tap) {
  const int caret = kCharacters - 5;
  std::size_t from = e2e::receivedEvents().size();
  if (!app.ask("fill view " + std::to_string(kCharacters), 30.0) || !app.ask("focus view") ||
      !app.ask("select view " + std::to_string(caret) + " " + std::to_string(caret)) ||
      !e2e::waitForEvent("caret", from, {}, 30.0)) {
    return "the text application did not answer";
  }
  e2e::pumpFor(0.3);
  from = e2e::receivedEvents().size();
  tap(kKeyRight, false);
  const std::string caretMove = longestTurnUntil("caret", from);
  e2e::pumpFor(0.3);
  from = e2e::receivedEvents().size();
  tap(kKeyRight, true);
  const std::string selection = longestTurnUntil("text_select", from);
  // The text ends with "words in it\nline ": the selection is the "i" before "line ".
  const auto selected = e2e::waitForEvent("text_select", from, {}, 0.0);
  const std::string selectedText =
      selected ? selected->payload.value("selected_text", "").substr(0, 20) : "(none)";
  from = e2e::receivedEvents().size();
  tap(kKeyLeft, false);
  e2e::waitForEvent("caret", from, {}, 30.0);
  // GTK reports the focus of a text view late while it lays out a long text, and answers nothing
  // meanwhile.
  e2e::pumpUntil([&] { return focusedRole(app.pid()) == "AXTextArea"; }, 30.0);
  // A loaded machine's GTK may still be busy with the text and let the request time out: it is
  // asked again, up to three times.
  double asked = 0;
  std::size_t above = 0;
  int attempts = 0;
  while (above == 0 && attempts < 3) {
    ++attempts;
    e2e::pumpFor(1.0);
    from = e2e::receivedEvents().size();
    const double began = now();
    getDataForVeskAssist();
    asked = now() - began;
    // Everything above the caret: an emoji (4 bytes, 1 character), then the lines.
    const auto context = e2e::waitForEvent("alt_enter_pressed", from);
    above = context ? context->payload.value("selected_text", "").size() : 0;
  }
  const std::size_t expected = static_cast<std::size_t>(caret + 1 + 3);
  char figure[256];
  std::snprintf(figure, sizeof figure,
                "caret move %s, selection %s, assistant request %.3f s (attempt %d)%s",
                caretMove.c_str(), selection.c_str(), asked, attempts,
                selectedText == "i" ? "" : (" (selected \"" + selectedText + "\")").c_str());
  if (above != expected) {
    return std::string(figure) + " (the context has " + std::to_string(above) + " bytes, not " +
           std::to_string(expected) + ")";
  }
  return figure;
}

}  // namespace axb::measure
