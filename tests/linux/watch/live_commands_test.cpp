// What a person types to the live watcher, and what a script sends it.
#include "live_commands.h"

#include <gtest/gtest.h>

namespace {

TEST(LiveCommands, TheCommandWordsNameTheirEntryPoints) {
  EXPECT_EQ(parseLiveCommand("context")->kind, LiveCommandKind::Context);
  EXPECT_EQ(parseLiveCommand("front")->kind, LiveCommandKind::Front);
  EXPECT_EQ(parseLiveCommand("help")->kind, LiveCommandKind::Help);
}

TEST(LiveCommands, BlanksAroundACommandWordAreForgiven) {
  EXPECT_EQ(parseLiveCommand("  context\t ")->kind, LiveCommandKind::Context);
}

TEST(LiveCommands, AReplacementIsTheRestOfTheLineWithItsOwnSpaces) {
  const auto command = parseLiveCommand("replace  half past  three ");
  ASSERT_TRUE(command);
  EXPECT_EQ(command->kind, LiveCommandKind::Replace);
  EXPECT_EQ(command->text, " half past  three ");
}

TEST(LiveCommands, AnEmptyReplacementDeletesTheSelection) {
  const auto command = parseLiveCommand("replace ");
  ASSERT_TRUE(command);
  EXPECT_EQ(command->kind, LiveCommandKind::Replace);
  EXPECT_EQ(command->text, "");
}

TEST(LiveCommands, ReplaceWithoutItsSpaceIsNoReplacement) {
  // A bare "replace" would otherwise delete the user's selection by accident.
  bool unknown = false;
  EXPECT_FALSE(parseLiveCommand("replace", &unknown));
  EXPECT_TRUE(unknown);
  EXPECT_FALSE(parseLiveCommand("replacement text", &unknown));
  EXPECT_TRUE(unknown);
}

TEST(LiveCommands, AReplacementKeepsBytesThatAreNotCommands) {
  const auto command = parseLiveCommand("replace caf\xc3\xa9 \"quoted\" \\n");
  ASSERT_TRUE(command);
  EXPECT_EQ(command->text, "caf\xc3\xa9 \"quoted\" \\n");
}

TEST(LiveCommands, AnEmptyLineIsNothingAndNotAnError) {
  bool unknown = true;
  EXPECT_FALSE(parseLiveCommand("", &unknown));
  EXPECT_FALSE(unknown);
  EXPECT_FALSE(parseLiveCommand(" \t ", &unknown));
  EXPECT_FALSE(unknown);
}

TEST(LiveCommands, CommandWordsAreExact) {
  bool unknown = false;
  EXPECT_FALSE(parseLiveCommand("Context", &unknown));
  EXPECT_TRUE(unknown);
  EXPECT_FALSE(parseLiveCommand("contexts", &unknown));
  EXPECT_TRUE(unknown);
}

}  // namespace
