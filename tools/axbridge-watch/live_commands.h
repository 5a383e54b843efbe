// The commands the live watcher takes on standard input, one a line, so that a person or a
// script can ask for what a host's own interface would: the assistant context, a replacement of
// the selected text, the followed application back in front.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class LiveCommandKind {
  Context,  // getDataForVeskAssist: the answer arrives as an "alt_enter_pressed" event line
  Replace,  // setText with the rest of the line (everything after "replace ", spaces included)
  Front,    // focusPreiov
  Help,
};

struct LiveCommand {
  LiveCommandKind kind;
  std::string text;  // Replace only
};

// The command a line holds; nothing for an empty line or one that names no command.
// *unknown tells which (when given).
std::optional<LiveCommand> parseLiveCommand(std::string_view line, bool* unknown = nullptr);

// Parses and runs one line; explains an unknown command on standard error without repeating it.
void runLiveCommandLine(std::string_view line);

extern const char kLiveCommandsHelp[];
