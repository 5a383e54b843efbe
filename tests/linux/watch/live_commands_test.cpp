// What a person types to the live watcher, and what a script sends it.
#include "live_commands.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(LiveCommands, WordsNameTheirEntryPointsAndAReplacementIsTheRestOfTheLine) {
  const struct {
    const char* line;
    LiveCommandKind kind;
    const char* text;
  } commands[] = {
      {"context", LiveCommandKind::Context, ""},
      {"front", LiveCommandKind::Front, ""},
      {"help", LiveCommandKind::Help, ""},
      {"  context\t ", LiveCommandKind::Context, ""},  // blanks around a word are forgiven
      {"replace  half past  three ", LiveCommandKind::Replace, " half past  three "},
      {"replace ", LiveCommandKind::Replace, ""},  // deletes the selection
      {"replace caf\xc3\xa9 \"quoted\" \\n", LiveCommandKind::Replace,
       "caf\xc3\xa9 \"quoted\" \\n"},
  };
  for (const auto& test : commands) {
    const auto command = parseLiveCommand(test.line);
    ASSERT_TRUE(command) << test.line;
    EXPECT_EQ(command->kind, test.kind) << test.line;
    EXPECT_EQ(command->text, test.text) << test.line;
  }
}

// A bare "replace" would otherwise delete the user's selection by accident; an empty line is
// nothing and not an error.
TEST(LiveCommands, AnythingElseIsNoCommandAndOnlyBlankLinesAreNoError) {
  const std::pair<const char*, bool> lines[] = {{"replace", true}, {"replacement text", true},
                                                {"Context", true}, {"contexts", true},
                                                {"", false},       {" \t ", false}};
  for (const auto& [line, isUnknown] : lines) {
    bool unknown = !isUnknown;
    EXPECT_FALSE(parseLiveCommand(line, &unknown)) << line;
    EXPECT_EQ(unknown, isUnknown) << line;
  }
}

}  // namespace
