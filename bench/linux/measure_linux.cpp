// Figures of the library on the real Linux stack (X11, AT-SPI2, GTK applications), measured by a
// host that links it as any host does: how long a key takes to reach the host callback, how
// many accessibility requests a caret move and a selection cost, what wakes the process while
// nothing happens, whether memory stays flat over many application switches, how the host fares
// in window storms and a clipboard request flood, and how long a 10 MB text holds its main loop.
// Runs on a desktop of its own (scripts/measure-linux.sh) with a window manager.
//
//   axbridge_measure_linux [--quick] [--samples N] [--idle SECONDS] [--switches A,B,C]
#include <atspi/atspi.h>
#include <dbus/dbus.h>
#include <glib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "axbridge/axbridge.h"
#include "e2e/desktop_session.h"
#include "e2e/wayland_input.h"
#include "long_text.h"
#include "process_figures.h"
#include "request_counter.h"
#include "storm_figures.h"
#include "x11_input.h"

namespace {

using namespace axb;
using namespace axb::measure;

// Every event reaches the host this long after it was posted, by design (the event channel's
// two debounce steps of 0.09 s each), whatever its kind.
constexpr double kDebounceSeconds = 0.18;
// Long enough for an action's echoes to be delivered before the next action.
constexpr double kSettleSeconds = 0.35;
constexpr double kEventSeconds = 5.0;

struct Options {
  int samples = 50;
  int idleSeconds = 60;
  std::vector<int> switches{100, 500, 1000};
};

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<double>& eventTimes() {
  static std::vector<double> times;
  return times;
}

void onEvent(const char* name, const char* json) {
  eventTimes().push_back(now());
  e2e::recordEvent(name, json);
}

// The index of the first event of that name from `from` on, waiting for it.
std::optional<std::size_t> awaitEvent(const std::string& name, std::size_t from,
                                      const std::function<bool(const e2e::Json&)>& check = {},
                                      double seconds = kEventSeconds) {
  std::optional<std::size_t> found;
  e2e::pumpUntil(
      [&] {
        const auto& events = e2e::receivedEvents();
        for (std::size_t i = from; i < events.size(); ++i) {
          if (events[i].name == name && (!check || check(events[i].payload))) {
            found = i;
            return true;
          }
        }
        return false;
      },
      seconds);
  return found;
}

struct Samples {
  std::vector<double> latencies;  // seconds
  std::vector<double> requests;
  int missed = 0;
};

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return NAN;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(fraction * values.size()));
  return values[std::min(values.size(), std::max<std::size_t>(rank, 1)) - 1];
}

// One user action and the event it should bring: the time from the action to the callback, and
// the requests sent until its echoes are over.
void sample(Samples& into, const std::function<bool()>& act, const std::string& event) {
  e2e::pumpFor(kSettleSeconds);
  const std::size_t from = e2e::receivedEvents().size();
  const std::uint64_t before = requestsSent();
  const double started = now();
  if (!act()) {
    ++into.missed;
    return;
  }
  const auto index = awaitEvent(event, from);
  if (!index) {
    ++into.missed;
    return;
  }
  into.latencies.push_back(eventTimes()[*index] - started);
  e2e::pumpFor(kSettleSeconds);
  into.requests.push_back(static_cast<double>(requestsSent() - before));
}

std::string milliseconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", seconds * 1000.0);
  return text;
}

std::string latencyFigure(const Samples& samples) {
  const double median = percentile(samples.latencies, 0.5);
  const double p95 = percentile(samples.latencies, 0.95);
  return "median " + milliseconds(median) + ", 95th " + milliseconds(p95) +
         "; without the 0.18 s debounce: median " + milliseconds(median - kDebounceSeconds) +
         ", 95th " + milliseconds(p95 - kDebounceSeconds);
}

std::string requestFigure(const Samples& samples) {
  if (samples.requests.empty()) return "none measured";
  const auto [low, high] = std::minmax_element(samples.requests.begin(), samples.requests.end());
  char text[96];
  std::snprintf(text, sizeof text, "median %.0f (%.0f to %.0f)", percentile(samples.requests, 0.5),
                *low, *high);
  return text;
}

std::string countOf(const Samples& samples) {
  std::string text = std::to_string(samples.latencies.size());
  if (samples.missed > 0) text += ", " + std::to_string(samples.missed) + " without an event";
  return text;
}

std::optional<std::uint32_t> windowOf(const e2e::ChildApp& app) {
  const auto text = e2e::run(
      {"timeout", "5", "xdotool", "search", "--onlyvisible", "--pid", std::to_string(app.pid())});
  if (!text || text->empty()) return std::nullopt;
  return static_cast<std::uint32_t>(std::strtoul(text->c_str(), nullptr, 10));
}

std::string processorName() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  }
  return "unknown";
}

// The methods called between two counts, per action, most frequent first.
std::string perAction(const std::map<std::string, std::uint64_t>& before,
                      const std::map<std::string, std::uint64_t>& after, int actions) {
  std::vector<std::pair<double, std::string>> rates;
  for (const auto& [member, count] : after) {
    const auto earlier = before.find(member);
    const std::uint64_t was = earlier == before.end() ? 0 : earlier->second;
    if (count > was) rates.emplace_back(static_cast<double>(count - was) / actions, member);
  }
  std::sort(rates.rbegin(), rates.rend());
  std::string text;
  for (const auto& [rate, member] : rates) {
    char figure[32];
    std::snprintf(figure, sizeof figure, " %.1f", rate);
    text += (text.empty() ? "" : ", ") +
            member.substr(member.rfind('.', member.rfind('.') - 1) + 1) + figure;
  }
  return text;
}

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--quick") {
      options = Options{20, 10, {20, 50, 100}};
    } else if (argument == "--samples" && hasValue) {
      options.samples = std::max(1, std::atoi(argv[++i]));
    } else if (argument == "--idle" && hasValue) {
      options.idleSeconds = std::max(1, std::atoi(argv[++i]));
    } else if (argument == "--switches" && hasValue) {
      options.switches.clear();
      std::istringstream list(argv[++i]);
      std::string item;
      while (std::getline(list, item, ',')) options.switches.push_back(std::atoi(item.c_str()));
      std::sort(options.switches.begin(), options.switches.end());
    } else {
      std::fprintf(stderr,
                   "usage: axbridge_measure_linux [--quick] [--samples N] [--idle SECONDS] "
                   "[--switches A,B,C]\n");
      return false;
    }
  }
  return true;
}

struct Idle {
  std::vector<ThreadSwitches> before;
  std::vector<ThreadSwitches> after;
  int timers = 0;
  std::map<std::string, int> descriptors;
  std::uint64_t requests = 0;
};

Idle measureIdle(int seconds) {
  e2e::pumpFor(1.0);
  std::map<int, std::string> names;
  if (DBusConnection* bus = atspi_get_a11y_bus()) {
    int fd = -1;
    if (dbus_connection_get_unix_fd(bus, &fd)) names[fd] = "the accessibility bus";
  }
  Idle idle;
  const std::uint64_t requestsBefore = requestsSent();
  idle.before = threadSwitches();
  {
    const PollRecorder recorder(std::move(names));
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_timeout_add_seconds(
        static_cast<guint>(seconds),
        [](gpointer data) -> gboolean {
          g_main_loop_quit(static_cast<GMainLoop*>(data));
          return G_SOURCE_REMOVE;
        },
        loop);
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
    idle.timers = recorder.timerWakeups();
    idle.descriptors = recorder.descriptorWakeups();
  }
  idle.after = threadSwitches();
  idle.requests = requestsSent() - requestsBefore;
  return idle;
}

std::string idleFigure(const Idle& idle) {
  std::string threads;
  for (const auto& after : idle.after) {
    long voluntary = after.voluntary;
    for (const auto& before : idle.before) {
      if (before.id == after.id) voluntary -= before.voluntary;
    }
    if (!threads.empty()) threads += ", ";
    threads +=
        (after.id == getpid() ? "main thread" : after.name) + " " + std::to_string(voluntary);
  }
  // One timer is the measurement's own end.
  std::string woken = std::to_string(std::max(0, idle.timers - 1)) + " timer";
  for (const auto& [name, count] : idle.descriptors) {
    woken += ", " + std::to_string(count) + " " + name;
  }
  return "voluntary context switches: " + threads + "; main context woken by: " + woken +
         "; requests: " + std::to_string(idle.requests);
}

int measureAll(const Options& options) {
  // In a sway session the keys come from a virtual keyboard and windows are switched through
  // sway; on X11 through XTest and the window manager.
  const bool sway = e2e::swayRuns();
  X11Input input;
  e2e::WaylandInput* waylandInput = sway ? &e2e::WaylandInput::instance() : nullptr;
  if (sway ? !waylandInput->connected() : !input.connected()) {
    std::fprintf(stderr, "measure: no display; run it through scripts/measure-linux.sh\n");
    return 1;
  }
  const auto tap = [&](std::uint32_t keysym, bool shift = false) {
    return sway ? waylandInput->tap(keysym, shift) : input.tap(keysym, shift);
  };
  if (!sway && !e2e::windowManagerRuns()) {
    std::fprintf(stderr, "measure: the switches need a window manager\n");
    return 1;
  }
  e2e::TextAppOptions draftsOptions;
  draftsOptions.title = "Drafts";
  draftsOptions.prgname = "axbridge-measure-drafts";
  draftsOptions.viewText = "The quick brown fox jumps over the lazy dog near the river bank.";
  e2e::TextAppOptions notesOptions;
  notesOptions.title = "Notes";
  notesOptions.prgname = "axbridge-measure-notes";
  notesOptions.viewText = "Buy milk";
  const auto drafts = e2e::startTextApp(draftsOptions);
  const auto notes = e2e::startTextApp(notesOptions);
  if (!drafts || !notes) {
    std::fprintf(stderr, "measure: the text applications did not start\n");
    return 1;
  }
  // Process ids stand for windows in a sway session.
  const auto draftsWindow = sway ? std::optional<std::uint32_t>(drafts->pid()) : windowOf(*drafts);
  const auto notesWindow = sway ? std::optional<std::uint32_t>(notes->pid()) : windowOf(*notes);
  if (!draftsWindow || !notesWindow) {
    std::fprintf(stderr, "measure: the text applications' windows were not found\n");
    return 1;
  }

  isAccessibiltyEnabled();
  initMacAccessibility(onEvent);
  start("{}");
  const auto switchTo = [&](std::uint32_t window, const std::string& name) {
    const std::size_t from = e2e::receivedEvents().size();
    if (!(sway ? e2e::bringToFront(static_cast<pid_t>(window)) : input.activate(window))) {
      return false;
    }
    return awaitEvent(
               "app_changed", from,
               [&](const e2e::Json& data) { return data.value("name", e2e::Json()) == name; })
        .has_value();
  };
  if (!switchTo(*draftsWindow, draftsOptions.prgname)) {
    std::fprintf(stderr, "measure: switching to the first application was not reported\n");
    return 1;
  }
  drafts->ask("focus view");
  drafts->ask("select view 20 20");
  e2e::pumpFor(1.5);

  std::fprintf(stderr, "measure: %d caret moves\n", options.samples);
  const auto caretMembersBefore = requestsByMember();
  Samples caret;
  for (int i = 0; i < options.samples; ++i) {
    const std::uint32_t key = i % 2 == 0 ? kKeyRight : kKeyLeft;
    sample(
        caret, [&] { return tap(key); }, "caret");
  }
  const auto caretMembers = requestsByMember();
  std::fprintf(stderr, "measure: %d selections\n", options.samples);
  Samples selection;
  for (int i = 0; i < options.samples; ++i) {
    sample(
        selection, [&] { return tap(kKeyRight, true); }, "text_select");
    // Collapsed again to where it started, for the next one.
    e2e::pumpFor(kSettleSeconds);
    const std::size_t from = e2e::receivedEvents().size();
    tap(kKeyLeft);
    awaitEvent("caret", from);
  }

  const auto selectionMembers = requestsByMember();
  std::fprintf(stderr, "measure: %d s with nothing happening\n", options.idleSeconds);
  const Idle idle = measureIdle(options.idleSeconds);

  // The word "quick" replaced by itself: the text stays as it was.
  const int pastes = std::min(options.samples, 10);
  std::fprintf(stderr, "measure: %d pastes\n", pastes);
  std::vector<double> pasteSeconds;
  for (int i = 0; i < pastes; ++i) {
    drafts->ask("select view 4 9");
    e2e::pumpFor(kSettleSeconds);
    const double began = now();
    setText("quick");
    pasteSeconds.push_back(now() - began);
  }

  std::fprintf(stderr, "measure: application switches\n");
  // A few first, so that the figures start after what every first switch allocates once.
  int done = 0;
  int missed = 0;
  const std::uint64_t requestsBefore = requestsSent();
  const auto switchMembersBefore = requestsByMember();
  const auto switchOnce = [&] {
    const bool toNotes = done % 2 == 0;
    if (!switchTo(toNotes ? *notesWindow : *draftsWindow,
                  toNotes ? notesOptions.prgname : draftsOptions.prgname)) {
      ++missed;
    }
    ++done;
    // The events this program keeps would otherwise count as the library's memory.
    e2e::receivedEvents().clear();
    eventTimes().clear();
  };
  for (int i = 0; i < 10; ++i) switchOnce();
  const long startKilobytes = residentKilobytes().value_or(-1);
  std::vector<std::pair<int, long>> resident;
  done = 0;
  for (const int target : options.switches) {
    while (done < target) switchOnce();
    resident.emplace_back(target, residentKilobytes().value_or(-1));
    std::fprintf(stderr, "measure: %d switches\n", target);
  }
  const double requestsPerSwitch =
      static_cast<double>(requestsSent() - requestsBefore) / (done + 10);
  const auto switchMembers = requestsByMember();

  switchTo(*notesWindow, notesOptions.prgname);  // wherever the switches ended
  std::fprintf(stderr, "measure: a 10 MB text\n");
  const std::string longText = switchTo(*draftsWindow, draftsOptions.prgname)
                                   ? longTextFigure(*drafts, tap)
                                   : "not followed";
  std::fprintf(stderr, "measure: window storms and a clipboard request flood\n");
  switchTo(*notesWindow, notesOptions.prgname);
  const std::vector<std::string> storms = stormRows(AXBRIDGE_STORM_PEER, notes->pid());

  std::string memory = "after 10 switches " + std::to_string(startKilobytes) + " KiB";
  for (const auto& [count, kilobytes] : resident) {
    memory += "; " + std::to_string(count) + ": " + std::to_string(kilobytes) + " KiB";
  }
  if (missed > 0) memory += " (" + std::to_string(missed) + " switches not reported)";

  std::printf("| What was measured | Figure |\n|---|---|\n");
  const char* keys = sway ? "virtual keyboard" : "XTest";
  std::printf("| Caret move (%s key), input to host callback, %s samples | %s |\n", keys,
              countOf(caret).c_str(), latencyFigure(caret).c_str());
  std::printf("| Selection (%s Shift+Right), input to host callback, %s samples | %s |\n", keys,
              countOf(selection).c_str(), latencyFigure(selection).c_str());
  std::printf("| Requests per caret move | %s |\n", requestFigure(caret).c_str());
  std::printf("| Requests per selection | %s |\n", requestFigure(selection).c_str());
  std::printf("| Requests per application switch | %.1f (mean of %d) |\n", requestsPerSwitch,
              done + 10);
  std::printf("| Idle for %d s | %s |\n", options.idleSeconds, idleFigure(idle).c_str());
  std::printf("| setText, call to return, %d samples | median %s, 95th %s |\n", pastes,
              milliseconds(percentile(pasteSeconds, 0.5)).c_str(),
              milliseconds(percentile(pasteSeconds, 0.95)).c_str());
  std::printf("| Resident memory (VmRSS) over switches between two applications | %s |\n",
              memory.c_str());
  for (const std::string& row : storms) std::printf("%s\n", row.c_str());
  std::printf("| A 10 MB text, the host's main loop held at most | %s |\n", longText.c_str());
  std::printf(
      "\nMachine: %s, %ld cores, %s\n", processorName().c_str(), sysconf(_SC_NPROCESSORS_ONLN),
      sway ? "Debian 12 (headless sway 1.7, native GTK 3)" : "Debian 12 (Xvfb, matchbox, GTK 3)");
  std::printf("Requests per caret move, by method: %s\n",
              perAction(caretMembersBefore, caretMembers, options.samples).c_str());
  std::printf("Requests per selection and its collapse, by method: %s\n",
              perAction(caretMembers, selectionMembers, options.samples).c_str());
  std::printf("Requests per application switch, by method: %s\n",
              perAction(switchMembersBefore, switchMembers, done + 10).c_str());
  std::printf(
      "Requests are D-Bus method calls this process sent through libdbus (libatspi's only way "
      "to ask), on the accessibility bus or directly to an application.\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) return 2;
  return measureAll(options);
}
