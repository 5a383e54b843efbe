// What the process itself says about its threads' sleeps and its memory (/proc/self), and what
// woke the main context.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace axb::measure {

struct ThreadSwitches {
  int id = 0;
  std::string name;      // the thread's comm
  long voluntary = 0;    // it went to sleep (waited for something)
  long involuntary = 0;  // it was preempted
};

// Every thread of this process, from /proc/self/task/<id>/status.
std::vector<ThreadSwitches> threadSwitches();

// VmRSS from /proc/self/status, in KiB.
std::optional<long> residentKilobytes();

// Records why the main context's poll returned while it is installed: for a timer (no
// descriptor ready) or for the descriptors that became ready, named from /proc/self/fd and
// the names given.
class PollRecorder {
 public:
  explicit PollRecorder(std::map<int, std::string> names);
  ~PollRecorder();
  PollRecorder(const PollRecorder&) = delete;
  PollRecorder& operator=(const PollRecorder&) = delete;

  int timerWakeups() const;
  std::map<std::string, int> descriptorWakeups() const;
};

}  // namespace axb::measure
