// axbridge-watch: a host of the library that prints every event it receives as one JSON line,
//   {"t":<seconds>,"event":"<name>","data":<payload exactly as received>}
// On the simulated desktop it plays a scenario file (or its built-in demo) on the virtual clock;
// the library's diagnostic lines appear on the same standard output, in the order they happen.
// Built with the macOS or Linux binding it watches the real desktop, but only when asked to with
// --live; on Linux it then also takes commands on standard input (live_commands.h).
//
// The library exports a C function named `start`: nothing here may take that name.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "axbridge/axbridge.h"

#if AXBRIDGE_WATCH_SIMULATED
#include <iostream>

#include "axbridge/sim.h"
#include "demo_scenario.h"
#elif AXBRIDGE_WATCH_LINUX
#include <chrono>

#include "live_commands.h"
#include "live_linux.h"
#else
#include <chrono>

#include "live_mac.h"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

#if AXBRIDGE_WATCH_SIMULATED
constexpr char kUsage[] =
    "usage: axbridge-watch [--state] [scenario.json | -]\n"
    "\n"
    "Plays a scenario on the simulated desktop (the built-in demo when no file is given, standard\n"
    "input for -) and prints every event the library delivers as one line:\n"
    "  {\"t\":<virtual seconds>,\"event\":\"<name>\",\"data\":<JSON payload>}\n"
    "The library's diagnostic lines appear in between, in the order they happen.\n"
    "\n"
    "  --state   print the final desktop state as one JSON line at the end\n"
    "  --help    show this text\n"
    "\n"
    "Exit status: 0 when the scenario ran, 2 for a usage error or an invalid scenario.\n";
#elif AXBRIDGE_WATCH_LINUX
constexpr char kUsage[] =
    "usage: axbridge-watch --live [--prompt] [blocked-fields.json]\n"
    "\n"
    "Follows the application in front on this X11 desktop and prints every event the library\n"
    "delivers as one line:\n"
    "  {\"t\":<seconds since start>,\"event\":\"<name>\",\"data\":<JSON payload>}\n"
    "The library's diagnostic lines appear in between. Stop it with Control-C (or SIGTERM).\n"
    "\n"
    "  --live    watch the real desktop (needs DISPLAY, the session and accessibility buses)\n"
    "  blocked-fields.json   the blocked field list to start with (default: none)\n"
    "  --prompt  switch the desktop's accessibility on when it is off\n"
    "  --help    show this text\n"
    "\n"
    "Commands on standard input, one a line:\n"
    "  context         ask for the assistant context; the answer is an \"alt_enter_pressed\" line\n"
    "  replace <text>  replace the selected text with the rest of the line\n"
    "  front           bring the followed application back to the front\n"
    "  help            list these commands\n"
    "\n"
    "Scenarios and the built-in demo play on the simulated desktop, a build of its own:\n"
    "scripts/demo.sh makes and runs it; scripts/live-demo.sh shows --live on a headless desktop.\n";
#else
constexpr char kUsage[] =
    "usage: axbridge-watch --live [--prompt] [blocked-fields.json]\n"
    "\n"
    "Follows the application in front and prints every event the library delivers as one line:\n"
    "  {\"t\":<seconds since start>,\"event\":\"<name>\",\"data\":<JSON payload>}\n"
    "The library's diagnostic lines appear in between. Stop it with Control-C.\n"
    "\n"
    "  --live    watch the real desktop (needs the accessibility permission)\n"
    "  blocked-fields.json   the blocked field list to start with (default: none)\n"
    "  --prompt  ask the system to prompt for the accessibility permission when it is missing\n"
    "  --help    show this text\n"
    "\n"
    "Scenarios and the built-in demo play on the simulated desktop, a build of its own:\n"
    "scripts/demo.sh makes and runs it.\n";
#endif

void appendJsonString(std::string& out, const char* text) {
  if (text == nullptr) {
    out += "null";
    return;
  }
  out += '"';
  for (const char* p = text; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

void writeLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  // Flushed at once: the library's diagnostic lines go to the same stream.
  std::fflush(stdout);
}

double eventTime();

// The host callback. The library calls it on the main thread; nothing may escape from it.
void printEvent(const char* eventName, const char* json) noexcept {
  try {
    char time[48];
    std::snprintf(time, sizeof time, "%.3f", eventTime());
    std::string line = "{\"t\":";
    line += time;
    line += ",\"event\":";
    appendJsonString(line, eventName);
    line += ",\"data\":";
    line += json != nullptr ? json : "null";
    line += '}';
    writeLine(line);
  } catch (...) {
  }
}

struct Options {
  bool printState = false;
  bool prompt = false;
  bool live = false;
  std::string scenarioPath;  // simulated: the scenario (empty: the demo); live: the blocked list
};

// Returns false after printing a usage error; exits for --help.
bool parseOptions(int argc, char** argv, Options& options) {
  bool optionsEnded = false;
  bool havePath = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
      std::fputs(kUsage, stdout);
      std::exit(kExitOk);
#if AXBRIDGE_WATCH_SIMULATED
    } else if (!optionsEnded && argument == "--state") {
      options.printState = true;
    } else if (!optionsEnded && argument == "--live") {
      std::fputs(
          "axbridge-watch: --live watches the real desktop, which only the macOS and Linux builds\n"
          "can do; this build plays scenarios on the simulated desktop\n",
          stderr);
      return false;
#else
    } else if (!optionsEnded && argument == "--state") {
      std::fputs(
          "axbridge-watch: --state prints the simulated desktop's state, and there is none when\n"
          "watching the real desktop\n",
          stderr);
      return false;
    } else if (!optionsEnded && argument == "--live") {
      options.live = true;
    } else if (!optionsEnded && argument == "--prompt") {
      options.prompt = true;
#endif
    } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
      std::fprintf(stderr, "axbridge-watch: unknown option %s\n\n%s", argv[i], kUsage);
      return false;
    } else if (havePath) {
      std::fprintf(stderr, "axbridge-watch: only one scenario at a time\n\n%s", kUsage);
      return false;
    } else {
      options.scenarioPath = argument;
      havePath = true;
    }
  }
  return true;
}

bool readFile(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "axbridge-watch: cannot read %s: %s\n", path.c_str(),
                 std::strerror(errno));
    return false;
  }
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    std::fprintf(stderr, "axbridge-watch: cannot read %s\n", path.c_str());
    return false;
  }
  return true;
}

#if AXBRIDGE_WATCH_SIMULATED

double eventTime() {
  return axsim_now();
}

bool readScenario(const std::string& path, std::string& text) {
  if (path.empty()) {
    text = kDemoScenario;
    return true;
  }
  if (path == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  return readFile(path, text);
}

int watch(const Options& options) {
  std::string scenario;
  if (!readScenario(options.scenarioPath, scenario)) return kExitUsage;
  axsim_set_host_callback(printEvent);
  if (axsim_load_scenario(scenario.c_str()) == 0) {
    const char* name = options.scenarioPath.empty()  ? "the built-in demo"
                       : options.scenarioPath == "-" ? "standard input"
                                                     : options.scenarioPath.c_str();
    std::fprintf(stderr, "axbridge-watch: %s is not a valid scenario: %s\n", name,
                 axsim_last_error());
    return kExitUsage;
  }
  if (axsim_run() == 0) {
    std::fprintf(stderr, "axbridge-watch: the scenario could not be played\n");
    return kExitFailure;
  }
  if (options.printState) writeLine(axsim_state_json());
  return kExitOk;
}

#else

// Live: the library follows the real desktop; the run loop runs until the process is stopped.
const auto kStarted = std::chrono::steady_clock::now();

double eventTime() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - kStarted).count();
}

bool readBlockedList(const std::string& path, std::string& text) {
  if (path.empty()) {
    text = "{}";
    return true;
  }
  return readFile(path, text);
}

#if AXBRIDGE_WATCH_LINUX
// There is no permission on Linux: the desktop's accessibility is on or off for everyone.
void explainMissingPermission(bool prompted) {
  std::fputs(
      "axbridge-watch: the desktop's accessibility is switched off (org.a11y.Status\n"
      "IsEnabled), so many applications do not show their contents.\n",
      stderr);
  std::fputs(prompted ? "It could not be switched on: switch on assistive technologies in the\n"
                        "desktop's accessibility settings, then start axbridge-watch again.\n"
                      : "Run axbridge-watch with --prompt to switch it on, or switch on assistive\n"
                        "technologies in the desktop's accessibility settings.\n",
             stderr);
}
#else
// The permission is the app's that this program runs in (a terminal, an editor), not its own.
void explainMissingPermission(bool prompted) {
  const std::string app = permissionHolderName();
  std::fprintf(stderr,
               "axbridge-watch: the accessibility permission is missing; it belongs to %s.\n"
               "Allow %s under System Settings > Privacy & Security > Accessibility\n"
               "(macOS 12 and earlier: System Preferences > Security & Privacy > Privacy >\n"
               "Accessibility), then start axbridge-watch again%s.\n",
               app.empty() ? "the terminal or app that runs this program" : app.c_str(),
               app.empty() ? "that app" : app.c_str(),
               prompted ? "" : " (or run it with --prompt to be asked)");
}
#endif

int watch(const Options& options) {
  // Watching the real desktop needs the permission and shows what the user does: only on request.
  if (!options.live) {
    std::fprintf(
        stderr,
        "axbridge-watch: give --live to watch the real desktop; scripts/demo.sh plays the\n"
        "built-in demo on the simulated desktop\n\n%s",
        kUsage);
    return kExitUsage;
  }
  std::string blocked;
  if (!readBlockedList(options.scenarioPath, blocked)) return kExitUsage;
#if AXBRIDGE_WATCH_LINUX
  MainLoop loop;
  if (const auto problem = desktopProblem()) {
    std::fprintf(stderr, "axbridge-watch: %s\n", problem->c_str());
    return kExitFailure;
  }
  bool trusted = isAccessibiltyEnabled();
  if (!trusted && options.prompt) {
    // Switches it on, answering the state before: the state after is asked again.
    showAccessibiltyPermisionPopup();
    trusted = isAccessibiltyEnabled();
  }
#else
  const bool trusted = options.prompt ? showAccessibiltyPermisionPopup() : isAccessibiltyEnabled();
#endif
  if (!trusted) {
    explainMissingPermission(options.prompt);
    return kExitFailure;
  }
  initMacAccessibility(printEvent);
  start(blocked.c_str());
#if AXBRIDGE_WATCH_LINUX
  loop.run(runLiveCommandLine);
#else
  runMainRunLoop();
#endif
  return kExitOk;
}

#endif

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) return kExitUsage;
  return watch(options);
}
