// The storms come from storm_peer.cpp, which prints {"ready": true} once started and
// {"done": ...} when it has stormed.
#include "storm_figures.h"

#include <glib.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "axbridge/axbridge.h"
#include "e2e/clipboard_reader.h"
#include "e2e/desktop_session.h"
#include "platform/pasteboard.h"

namespace axb::measure {
namespace {

double seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The memory the process holds, without what its allocator keeps free for later.
double heldMemoryMiB() {
  malloc_trim(0);
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  }
  return 0;
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// How late the main context runs a 20 ms timer while it turns: the host's own work waits that
// long. A stall counts once for every 20 ms of it, as requests arriving throughout it would each
// wait for its end.
class Responsiveness {
 public:
  Responsiveness() : last_(seconds()) { source_ = g_timeout_add(20, tick, this); }
  ~Responsiveness() { g_source_remove(source_); }
  double percentile(double p) {
    if (delays_.empty()) return 0;
    std::sort(delays_.begin(), delays_.end());
    return delays_[static_cast<std::size_t>(p * static_cast<double>(delays_.size() - 1))];
  }
  void reset() {
    delays_.clear();
    last_ = seconds();
  }

 private:
  static gboolean tick(gpointer data) {
    auto* self = static_cast<Responsiveness*>(data);
    const double now = seconds();
    const double late = std::max(now - self->last_ - 0.02, 0.0);
    for (double waited = late; waited > 0.02; waited -= 0.02) self->delays_.push_back(waited);
    self->delays_.push_back(late);
    self->last_ = now;
    return G_SOURCE_CONTINUE;
  }
  guint source_ = 0;
  double last_;
  std::vector<double> delays_;
};

// Runs the peer until it says it is done (bounded), turning the main context: what it said.
std::string storm(const std::string& peer, const std::vector<std::string>& arguments,
                  double bound) {
  std::vector<std::string> argv{peer};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  e2e::ChildApp client(argv);
  const auto ready = client.nextLine(10.0);
  if (!ready || !ready->is_object() || !ready->value("ready", false)) return "(did not start)";
  std::optional<e2e::Json> done;
  e2e::pumpUntil([&] { return static_cast<bool>(done = client.nextLine(0.0)); }, bound);
  return done ? done->dump() : "(not done)";
}

std::string windowStorm(const std::string& peer, const char* what,
                        const std::vector<std::string>& arguments) {
  Responsiveness responsiveness;
  const std::string done = storm(peer, arguments, 120.0);
  const double ended = seconds();
  // What the storm left behind counts too: the 2 s after it.
  e2e::pumpFor(2.0);
  const double during = responsiveness.percentile(0.95);
  const double settled = seconds() - ended;
  responsiveness.reset();
  const double cpuBefore = cpuSeconds();
  e2e::pumpFor(1.0);
  char row[512];
  std::snprintf(row, sizeof row,
                "| %s, 2 s (%s) | late by %.3f s (95th percentile) during it and the 2 s after, "
                "which took %.1f s; then %.2f s of processor time in 1 s, late by %.3f s at worst "
                "|",
                what, done.c_str(), during, settled, cpuSeconds() - cpuBefore,
                responsiveness.percentile(1.0));
  return row;
}

}  // namespace

std::vector<std::string> stormRows(const std::string& peer, pid_t followed) {
  std::vector<std::string> rows{
      windowStorm(peer, "Window storm, 3,000 windows a second claiming the followed application's",
                  {"window-storm", "2", "3000", std::to_string(followed)}),
      windowStorm(peer, "One window resized as fast as the server allows",
                  {"configure-flood", "2"})};

  platform::pasteboardReplace({{{{platform::kPlainTextType, "flooded"}}}});
  const double before = heldMemoryMiB();
  Responsiveness responsiveness;
  const std::string done = storm(peer, {"request-flood", "2000000"}, 60.0);
  // Once the flood is served, another client still reads the text.
  const bool served = e2e::readClipboard("UTF8_STRING", 60.0) == "flooded";
  char row[512];
  std::snprintf(row, sizeof row,
                "| Clipboard requests, 2,000,000 as fast as a client can ask (%s) | main context "
                "late by %.3f s (95th percentile), %.3f s at worst; memory grew %.1f MiB; %s |",
                done.c_str(), responsiveness.percentile(0.95), responsiveness.percentile(1.0),
                heldMemoryMiB() - before, served ? "served after it" : "NOT served after it");
  rows.push_back(row);
  return rows;
}

}  // namespace axb::measure
