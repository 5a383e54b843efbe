// The live watcher's standard input arrives in pieces of any size, from terminals, pipes and
// files written on other systems; each command must reach it once and whole.
#include "command_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Collected {
  std::vector<std::string> lines;
  int overlong = 0;
};

CommandLines linesInto(Collected& collected, std::size_t longest = 64) {
  return CommandLines(
      longest, [&](std::string_view line) { collected.lines.emplace_back(line); },
      [&] { ++collected.overlong; });
}

TEST(CommandLines, ALineSplitAcrossReadsArrivesOnceWhole) {
  Collected collected;
  CommandLines lines = linesInto(collected);
  lines.append("con");
  EXPECT_TRUE(collected.lines.empty());
  lines.append("text\nrepl");
  lines.append("ace two words\n");
  EXPECT_EQ(collected.lines, (std::vector<std::string>{"context", "replace two words"}));
}

TEST(CommandLines, SeveralLinesInOneReadArriveInOrder) {
  Collected collected;
  CommandLines lines = linesInto(collected);
  lines.append("front\n\ncontext\n");
  EXPECT_EQ(collected.lines, (std::vector<std::string>{"front", "", "context"}));
}

TEST(CommandLines, CarriageReturnLineEndsAreNotPartOfTheLine) {
  Collected collected;
  CommandLines lines = linesInto(collected);
  lines.append("replace fine\r\ncontext\r");
  lines.append("\n");
  EXPECT_EQ(collected.lines, (std::vector<std::string>{"replace fine", "context"}));
}

TEST(CommandLines, TheLastLineWithoutItsEndCountsAtTheEndOfInput) {
  Collected collected;
  CommandLines lines = linesInto(collected);
  lines.append("context\nfront");
  EXPECT_EQ(collected.lines, (std::vector<std::string>{"context"}));
  lines.finish();
  EXPECT_EQ(collected.lines, (std::vector<std::string>{"context", "front"}));
  lines.finish();
  EXPECT_EQ(collected.lines.size(), 2u);
}

TEST(CommandLines, AnOverlongLineIsDroppedWholeAndTheNextOneStillArrives) {
  Collected collected;
  CommandLines lines = linesInto(collected, 8);
  lines.append("replace 0123");
  lines.append("456789");  // past the limit, its end not yet seen
  lines.append("abcdef");
  lines.append("\ncontext\n");
  EXPECT_EQ(collected.lines, (std::vector<std::string>{"context"}));
  EXPECT_EQ(collected.overlong, 1);
}

TEST(CommandLines, ALineOfExactlyTheLimitArrives) {
  Collected collected;
  CommandLines lines = linesInto(collected, 7);
  lines.append("context\r\n");
  lines.append("context!\n");
  EXPECT_EQ(collected.lines, (std::vector<std::string>{"context"}));
  EXPECT_EQ(collected.overlong, 1);
}

TEST(CommandLines, AnOverlongLastLineAtTheEndOfInputIsDropped) {
  Collected collected;
  CommandLines lines = linesInto(collected, 4);
  lines.append("replace without end");
  lines.finish();
  EXPECT_TRUE(collected.lines.empty());
  EXPECT_EQ(collected.overlong, 1);
}

}  // namespace
