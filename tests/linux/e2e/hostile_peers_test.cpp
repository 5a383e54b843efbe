// Other clients that misbehave, on a real desktop: clipboard owners and requestors written to
// stall or bloat the host, window storms, and the accessibility bus going away and coming back.
// The host's main context must keep answering, its memory stay bounded, and following resume.
#include <glib.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "axbridge/axbridge.h"
#include "e2e/clipboard_clients.h"
#include "e2e/clipboard_reader.h"
#include "e2e/desktop_session.h"
#include "e2e/host_test.h"
#include "platform/pasteboard.h"

namespace axb::e2e {
namespace {

double seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A /proc/self/status figure in MiB: VmRSS now, VmHWM the peak so far.
double memoryMiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024;
  }
  return 0;
}

// The memory the process holds, without what its allocator keeps free for later: earlier tests
// in the process leave the allocator holding different amounts.
double heldMemoryMiB() {
  malloc_trim(0);
  return memoryMiB("VmRSS");
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// How late the main context runs a 20 ms timer while the test turns it: the host's own work
// waits that long. A stall counts once for every 20 ms of it, as requests arriving throughout it
// would each wait for its end.
class Responsiveness {
 public:
  Responsiveness() : last_(seconds()) { source_ = g_timeout_add(20, tick, this); }
  ~Responsiveness() { g_source_remove(source_); }
  double percentile(double p) {
    if (delays_.empty()) return 0;
    std::sort(delays_.begin(), delays_.end());
    return delays_[static_cast<std::size_t>(p * static_cast<double>(delays_.size() - 1))];
  }
  double worst() { return percentile(1.0); }
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

std::unique_ptr<ChildApp> startPeer(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{AXBRIDGE_HOSTILE_PEER};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  auto peer = std::make_unique<ChildApp>(argv);
  const auto ready = peer->nextLine(10.0);
  if (!ready || !ready->is_object() || !ready->value("ready", false)) return nullptr;
  return peer;
}

// Turns the main context until the peer says it is done (bounded); what it said.
Json pumpUntilDone(ChildApp& peer, double seconds) {
  std::optional<Json> done;
  pumpUntil([&] { return static_cast<bool>(done = peer.nextLine(0.0)); }, seconds);
  return done.value_or(Json());
}

// The read setText makes of the clipboard it puts back: the documented 4 s and 256 MiB (with the
// chunk being read) hold against an owner that sends chunks without end or offers millions of
// targets, and the text is still read.
TEST(HostileClipboardOwner, TheReadStaysWithinItsTimeAndMemory) {
  for (const std::vector<std::string>& mode :
       {std::vector<std::string>{"endless-incr"}, {"many-targets", "4000000"}}) {
    SCOPED_TRACE(mode[0]);
    auto owner = startPeer(mode);
    ASSERT_TRUE(owner);
    const double peakBefore = memoryMiB("VmHWM");
    const double began = seconds();
    const auto items = platform::pasteboardItems();
    const double took = seconds() - began;
    const double grew = memoryMiB("VmHWM") - peakBefore;
    std::printf("%s: read in %.2f s, peak memory grew %.1f MiB\n", mode[0].c_str(), took, grew);
    EXPECT_LT(took, 6.0);
    EXPECT_LT(grew, 256.0 + 2.0);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].representations[0],
              (std::pair<std::string, std::string>{platform::kPlainTextType, "text"}));
  }
}

// A requestor asking for the clipboard two million times, as fast as it can: the main context
// keeps answering, and the host's memory does not grow with the requests.
TEST(HostileClipboardRequestor, AFloodOfRequestsLeavesTheMainContextAnswering) {
  platform::pasteboardReplace({{{{platform::kPlainTextType, "flooded"}}}});
  const double before = heldMemoryMiB();
  Responsiveness responsiveness;
  auto flood = startPeer({"request-flood", "2000000"});
  ASSERT_TRUE(flood);
  const Json done = pumpUntilDone(*flood, 60.0);
  EXPECT_EQ(readClipboard("UTF8_STRING", 60.0), "flooded");  // once the flood is served
  const double grew = heldMemoryMiB() - before;
  std::printf(
      "%s: main context late by %.3f s (95th percentile), %.3f s at worst; memory grew "
      "%.1f MiB\n",
      done.dump().c_str(), responsiveness.percentile(0.95), responsiveness.worst(), grew);
  EXPECT_LT(responsiveness.percentile(0.95), 0.5);
  EXPECT_LT(grew, 48.0);
}

TEST(HostileClipboardRequestor, UnfinishedTransfersAreCappedAndOthersStillServed) {
  std::string image = pngImage();
  while (image.size() < (5u << 20)) image += image;
  platform::pasteboardReplace({{{{"image/png", image}}}});
  const double before = memoryMiB("VmRSS");
  auto requestor = startPeer({"unfinished-incr", "50", "image/png"});
  ASSERT_TRUE(requestor);
  const Json done = pumpUntilDone(*requestor, 30.0);
  const double grew = memoryMiB("VmRSS") - before;
  std::printf("%s: memory grew %.1f MiB\n", done.dump().c_str(), grew);
  EXPECT_EQ(done.value("answered", 0), 50);
  EXPECT_LE(done.value("chunked", 0), 4);
  EXPECT_LT(grew, 32.0);
  // Another client is still served while those transfers hang.
  const auto png = readClipboard("image/png", 20.0);
  EXPECT_TRUE(png && *png == image);
  // A requestor whose window is destroyed mid-transfer holds no place: each new one is served.
  auto abandoning = startPeer({"abandoned-incr", "20", "image/png"});
  ASSERT_TRUE(abandoning);
  EXPECT_EQ(pumpUntilDone(*abandoning, 30.0).value("chunked", 0), 20);
}

class WindowStormTest : public HostTest {};

// Thousands of windows a second created and destroyed (claiming to be the followed
// application's, as any client may), or one window resized as fast as the server allows: the main
// context keeps answering within 1 s and is idle 2 s after the storm.
TEST_F(WindowStormTest, TheHostAnswersDuringTheStormAndIsIdleSoonAfter) {
  auto app = follow({});
  ASSERT_TRUE(app);
  for (const std::vector<std::string>& mode :
       {std::vector<std::string>{"window-storm", "2", "3000", std::to_string(app->pid())},
        {"configure-flood", "2"}}) {
    SCOPED_TRACE(mode[0]);
    Responsiveness responsiveness;
    auto storm = startPeer(mode);
    ASSERT_TRUE(storm);
    const Json done = pumpUntilDone(*storm, 120.0);
    const double ended = seconds();
    pumpFor(2.0);
    // What the storm left behind counts too: the 2 s after it.
    const double during = responsiveness.percentile(0.95);
    const double settled = seconds() - ended;
    responsiveness.reset();
    const double cpuBefore = cpuSeconds();
    pumpFor(1.0);
    const double cpuAfter = cpuSeconds() - cpuBefore;
    std::printf(
        "%s: late by %.3f s (95th percentile) during the storm and the 2 s after it, "
        "which took %.1f s; then %.2f s of processor time in 1 s, late by %.3f s at "
        "worst\n",
        done.dump().c_str(), during, settled, cpuAfter, responsiveness.worst());
    EXPECT_LT(during, 1.0);
    EXPECT_LT(settled, 3.0);
    EXPECT_LT(cpuAfter, 0.3);
    EXPECT_LT(responsiveness.worst(), 0.2);
  }
}

// An application that creates, focuses and destroys entries as fast as it can while the host is
// busy: thousands of its events wait for the host at once, beyond what the host's queue holds. The
// selection made right after the storm, while the host catches up, still reaches it (in about
// 0.6 s here).
TEST_F(WindowStormTest, TheSelectionAfterAWidgetStormIsReported) {
  TextAppOptions options;
  options.entryText = "after the storm";
  auto app = follow(options);
  ASSERT_TRUE(app);
  ASSERT_TRUE(app->ask("storm 3"));
  std::this_thread::sleep_for(std::chrono::seconds(5));
  ASSERT_TRUE(app->nextLine(60.0));
  const std::size_t from = receivedEvents().size();
  ASSERT_TRUE(app->ask("select entry 0 5"));
  EXPECT_TRUE(waitForEvent("text_select", from, selecting("after"), 3.0));
}

class AccessibilityBusRestartTest : public HostTest {};

// The bus's launcher (and the bus and registry with it) ends, then comes back as it does when an
// application asks for it: the host connects again and follows the application in front.
TEST_F(AccessibilityBusRestartTest, TheHostFollowsAgainOnceTheBusIsBack) {
  TextAppOptions before;
  before.title = "Before the restart";
  ASSERT_TRUE(follow(before));
  const auto launcher = run({"gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                             "--object-path", "/org/freedesktop/DBus", "--method",
                             "org.freedesktop.DBus.GetConnectionUnixProcessID", "org.a11y.Bus"});
  // Answered as "(uint32 1234,)".
  ASSERT_TRUE(launcher && launcher->find("uint32 ") != std::string::npos) << launcher.value_or("");
  const pid_t pid = std::stoi(launcher->substr(launcher->find("uint32 ") + 7));
  std::ifstream command("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  ASSERT_TRUE(std::getline(command, name) && name.rfind("at-spi-bus-laun", 0) == 0) << name;
  // The bus it launched (and with it the registry on that bus) ends with it.
  const auto children = run({"pgrep", "-P", std::to_string(pid)});
  ::kill(pid, SIGTERM);
  for (std::size_t at = 0; children && at < children->size();) {
    const std::size_t end = children->find('\n', at);
    ::kill(std::stoi(children->substr(at, end - at)), SIGTERM);
    at = end == std::string::npos ? children->size() : end + 1;
  }
  pumpFor(1.0);

  TextAppOptions after;
  after.title = "After the restart";
  after.prgname = "axbridge-after-restart";
  after.entryText = "hello";
  auto app = follow(after);
  ASSERT_TRUE(app);
  ASSERT_TRUE(xdotool({"key", "End"}));
  const std::size_t from = receivedEvents().size();
  ASSERT_TRUE(xdotool({"key", "shift+Left"}));
  EXPECT_TRUE(waitForEvent("text_select", from, {}, 10.0));
}

// Services installed on the machine (a desktop portal, for one) never start on the test desktop's
// bus: only the accessibility bus can be started there.
TEST(TestDesktop, ItsSessionBusStartsOnlyTheAccessibilityBus) {
  EXPECT_EQ(run({"gdbus", "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
                 "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus.ListActivatableNames"}),
            "(['org.freedesktop.DBus', 'org.a11y.Bus'],)\n");
}

}  // namespace
}  // namespace axb::e2e
