#include "command_lines.h"

#include <utility>

CommandLines::CommandLines(std::size_t longestLine, LineHandler onLine, OverlongHandler onOverlong)
    : longestLine_(longestLine), onLine_(std::move(onLine)), onOverlong_(std::move(onOverlong)) {}

void CommandLines::append(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (!discarding_) {
      if (pending_.size() + piece.size() > longestLine_ + 1) {  // + 1: a "\r" before the "\n"
        pending_.clear();
        discarding_ = true;
        if (onOverlong_) onOverlong_();
      } else {
        pending_.append(piece);
      }
    }
    if (end == std::string_view::npos) return;
    bytes.remove_prefix(end + 1);
    if (discarding_) {
      discarding_ = false;
      continue;
    }
    std::string line = std::move(pending_);
    pending_.clear();
    deliver(line);
  }
}

void CommandLines::finish() {
  if (!discarding_ && !pending_.empty()) {
    std::string line = std::move(pending_);
    pending_.clear();
    deliver(line);
  }
  discarding_ = false;
}

void CommandLines::deliver(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > longestLine_) {
    if (onOverlong_) onOverlong_();
    return;
  }
  if (onLine_) onLine_(line);
}
