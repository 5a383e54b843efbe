// Standard input cut into command lines, for the live watcher's commands.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Collects bytes as they arrive and hands out each complete line without its end ("\n" or
// "\r\n"). A line longer than the limit is dropped whole, so that input without line ends
// cannot grow the buffer without bound.
class CommandLines {
 public:
  using LineHandler = std::function<void(std::string_view line)>;
  using OverlongHandler = std::function<void()>;

  CommandLines(std::size_t longestLine, LineHandler onLine, OverlongHandler onOverlong);

  void append(std::string_view bytes);
  // The end of the input: a last line without its end still counts.
  void finish();

 private:
  void deliver(std::string_view line);

  std::size_t longestLine_;
  LineHandler onLine_;
  OverlongHandler onOverlong_;
  std::string pending_;
  bool discarding_ = false;  // inside a line that was too long, until its end
};
