// axbridge-watch on the real desktop (the macOS and Linux builds): a host of the library that
// follows the application in front, but only when asked to with --live, and prints every event
// it receives as one JSON line (event_line.h). What differs between the desktops is behind
// live_desktop.h. The simulated build plays scenarios instead (scenario_player.cpp).
//
// The library exports a C function named `start`: nothing here may take that name.
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "axbridge/axbridge.h"
#include "event_line.h"
#include "live_desktop.h"
#include "program_input.h"

namespace {

const auto kStarted = std::chrono::steady_clock::now();

void printEvent(const char* eventName, const char* json) noexcept {
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - kStarted;
  printEventLine(elapsed.count(), eventName, json);
}

struct Options {
  bool prompt = false;
  bool live = false;
  std::string blockedListPath;  // empty: no blocked fields
};

bool parseOptions(int argc, char** argv, Options& options) {
  const auto takeOption = [&options](std::string_view option) {
    if (option == "--state") {
      std::fputs(
          "axbridge-watch: --state prints the simulated desktop's state, and there is none when\n"
          "watching the real desktop\n",
          stderr);
      return OptionAnswer::Refused;
    }
    if (option == "--live") {
      options.live = true;
      return OptionAnswer::Taken;
    }
    if (option == "--prompt") {
      options.prompt = true;
      return OptionAnswer::Taken;
    }
    return OptionAnswer::Unknown;
  };
  return readCommandLine(argc, argv, kLiveUsage, takeOption, options.blockedListPath);
}

bool readBlockedList(const std::string& path, std::string& text) {
  if (path.empty()) {
    text = "{}";
    return true;
  }
  return readFile(path, text);
}

// The library follows the real desktop until the process is stopped.
int watch(const Options& options) {
  // Watching the real desktop needs the permission and shows what the user does: only on request.
  if (!options.live) {
    std::fprintf(
        stderr,
        "axbridge-watch: give --live to watch the real desktop; scripts/demo.sh plays the\n"
        "built-in demo on the simulated desktop\n\n%s",
        kLiveUsage);
    return kExitUsage;
  }
  std::string blocked;
  if (!readBlockedList(options.blockedListPath, blocked)) return kExitUsage;
  LiveDesktop desktop;
  if (const auto problem = desktop.problem()) {
    std::fprintf(stderr, "axbridge-watch: %s\n", problem->c_str());
    return kExitFailure;
  }
  if (!desktop.accessibilityOn(options.prompt)) {
    desktop.explainMissingPermission(options.prompt);
    return kExitFailure;
  }
  initMacAccessibility(printEvent);
  start(blocked.c_str());
  desktop.run();
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) return kExitUsage;
  return watch(options);
}
