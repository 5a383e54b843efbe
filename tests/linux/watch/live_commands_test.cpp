// What a person types to the live watcher, and what a script sends it.
#include "live_commands.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// A bare "replace" would otherwise delete the user's selection by accident; an empty line is
// nothing and not an error.
TEST(LiveCommands, WordsNameTheirEntryPointsAndAReplacementIsTheRestOfTheLine) {
  const struct {
    const char* line;
    std::optional<LiveCommandKind> kind;  // nothing: no command
    const char* text;                     // for no command: "" when it is no error either
  } commands[] = {
      {"context", LiveCommandKind::Context, ""},
      {"front", LiveCommandKind::Front, ""},
      {"help", LiveCommandKind::Help, ""},
      {"  context\t ", LiveCommandKind::Context, ""},  // blanks around a word are forgiven
      {"replace  half past  three ", LiveCommandKind::Replace, " half past  three "},
      {"replace ", LiveCommandKind::Replace, ""},  // deletes the selection
      {"replace caf\xc3\xa9 \"quoted\" \\n", LiveCommandKind::Replace,
       "caf\xc3\xa9 \"quoted\" \\n"},
      {"replace", std::nullopt, "unknown"},
      {"replacement text", std::nullopt, "unknown"},
      {"Context", std::nullopt, "unknown"},
      {"contexts", std::nullopt, "unknown"},
      {"", std::nullopt, ""},
      {" \t ", std::nullopt, ""},
  };
  for (const auto& test : commands) {
    bool unknown = false;
    const auto command = parseLiveCommand(test.line, &unknown);
    ASSERT_EQ(command.has_value(), test.kind.has_value()) << test.line;
    if (command) {
      EXPECT_EQ(command->kind, *test.kind) << test.line;
      EXPECT_EQ(command->text, test.text) << test.line;
    }
    EXPECT_EQ(unknown, !test.kind && *test.text) << test.line;
  }
}

}  // namespace
