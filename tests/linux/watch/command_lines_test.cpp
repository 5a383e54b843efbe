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

// Pieces as they are read, with "|" where the input ends.
TEST(CommandLines, EachLineArrivesOnceWholeAndOverlongOnesAreDroppedWhole) {
  const struct {
    std::size_t longest;
    std::vector<std::string> pieces;
    std::vector<std::string> lines;
    int overlong;
  } cases[] = {
      {64, {"con", "text\nrepl", "ace two words\n"}, {"context", "replace two words"}, 0},
      {64, {"front\n\ncontext\n"}, {"front", "", "context"}, 0},
      {64, {"replace fine\r\ncontext\r", "\n"}, {"replace fine", "context"}, 0},
      // The last line without its end counts at the end of input, once.
      {64, {"context\nfront", "|", "|"}, {"context", "front"}, 0},
      // Past the limit, its end not yet seen: the next line still arrives.
      {8, {"replace 0123", "456789", "abcdef", "\ncontext\n"}, {"context"}, 1},
      {7, {"context\r\n", "context!\n"}, {"context"}, 1},
      {4, {"replace without end", "|"}, {}, 1},
  };
  for (const auto& test : cases) {
    Collected collected;
    CommandLines lines = linesInto(collected, test.longest);
    for (const std::string& piece : test.pieces) {
      piece == "|" ? lines.finish() : lines.append(piece);
    }
    EXPECT_EQ(collected.lines, test.lines) << test.pieces.front();
    EXPECT_EQ(collected.overlong, test.overlong) << test.pieces.front();
  }
}

}  // namespace
