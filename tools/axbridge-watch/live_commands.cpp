#include "live_commands.h"

#include <cstdio>

#include "axbridge/axbridge.h"

const char kLiveCommandsHelp[] =
    "Commands on standard input, one a line:\n"
    "  context         ask for the assistant context (getDataForVeskAssist); the answer is an\n"
    "                  \"alt_enter_pressed\" event line\n"
    "  replace <text>  replace the selected text of the followed application (setText) with the\n"
    "                  rest of the line; blocks for 1.2 s to 2.2 s\n"
    "  front           bring the followed application back to the front (focusPreiov)\n"
    "  help            show this list on standard error\n";

namespace {

// Leading and trailing blanks around a command word are forgiven; a replacement keeps its own.
std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<LiveCommand> parseLiveCommand(std::string_view line, bool* unknown) {
  if (unknown) *unknown = false;
  constexpr std::string_view kReplace = "replace ";
  std::string_view start = line;
  while (!start.empty() && (start.front() == ' ' || start.front() == '\t')) start.remove_prefix(1);
  if (start.substr(0, kReplace.size()) == kReplace) {
    return LiveCommand{LiveCommandKind::Replace, std::string(start.substr(kReplace.size()))};
  }
  const std::string_view word = trimmed(line);
  if (word.empty()) return std::nullopt;
  if (word == "context") return LiveCommand{LiveCommandKind::Context, {}};
  if (word == "front") return LiveCommand{LiveCommandKind::Front, {}};
  if (word == "help") return LiveCommand{LiveCommandKind::Help, {}};
  if (unknown) *unknown = true;
  return std::nullopt;
}

void runLiveCommandLine(std::string_view line) {
  bool unknown = false;
  const std::optional<LiveCommand> command = parseLiveCommand(line, &unknown);
  if (!command) {
    // The line may hold what the user meant to paste: it is not repeated.
    if (unknown) std::fprintf(stderr, "axbridge-watch: unknown command\n%s", kLiveCommandsHelp);
    return;
  }
  switch (command->kind) {
    case LiveCommandKind::Context:
      getDataForVeskAssist();
      break;
    case LiveCommandKind::Replace:
      setText(command->text.c_str());
      break;
    case LiveCommandKind::Front:
      focusPreiov();
      break;
    case LiveCommandKind::Help:
      std::fputs(kLiveCommandsHelp, stderr);
      break;
  }
}
