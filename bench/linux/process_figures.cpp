#include "process_figures.h"

#include <dirent.h>
#include <glib.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace axb::measure {
namespace {

struct PollState {
  std::map<int, std::string> names;
  int timers = 0;
  std::map<std::string, int> descriptors;
};
std::unique_ptr<PollState> recording;

std::string descriptorName(int fd) {
  if (recording) {
    if (const auto named = recording->names.find(fd); named != recording->names.end()) {
      return named->second;
    }
  }
  char target[256] = {};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
  return length > 0 ? std::string(target, static_cast<std::size_t>(length))
                    : "fd " + std::to_string(fd);
}

gint recordingPoll(GPollFD* fds, guint count, gint timeout) {
  const gint ready = g_poll(fds, count, timeout);
  if (!recording) return ready;
  if (ready == 0) {
    ++recording->timers;
  } else if (ready > 0) {
    for (guint i = 0; i < count; ++i) {
      if (fds[i].revents != 0) ++recording->descriptors[descriptorName(fds[i].fd)];
    }
  }
  return ready;
}

std::optional<long> statusField(const std::string& path, const std::string& field) {
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind(field + ":", 0) == 0) {
      std::istringstream value(line.substr(field.size() + 1));
      long number = 0;
      if (value >> number) return number;
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<ThreadSwitches> threadSwitches() {
  std::vector<ThreadSwitches> threads;
  DIR* tasks = ::opendir("/proc/self/task");
  if (tasks == nullptr) return threads;
  while (const dirent* entry = ::readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    const std::string directory = std::string("/proc/self/task/") + entry->d_name;
    ThreadSwitches thread;
    thread.id = std::atoi(entry->d_name);
    std::ifstream comm(directory + "/comm");
    std::getline(comm, thread.name);
    thread.voluntary = statusField(directory + "/status", "voluntary_ctxt_switches").value_or(-1);
    thread.involuntary =
        statusField(directory + "/status", "nonvoluntary_ctxt_switches").value_or(-1);
    threads.push_back(thread);
  }
  ::closedir(tasks);
  return threads;
}

std::optional<long> residentKilobytes() {
  return statusField("/proc/self/status", "VmRSS");
}

PollRecorder::PollRecorder(std::map<int, std::string> names) {
  recording = std::make_unique<PollState>(PollState{std::move(names), 0, {}});
  g_main_context_set_poll_func(nullptr, recordingPoll);
}

PollRecorder::~PollRecorder() {
  g_main_context_set_poll_func(nullptr, nullptr);
  recording.reset();
}

int PollRecorder::timerWakeups() const {
  return recording->timers;
}

std::map<std::string, int> PollRecorder::descriptorWakeups() const {
  return recording->descriptors;
}

}  // namespace axb::measure
