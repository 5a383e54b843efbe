// axbridge-watch on the simulated desktop: plays a scenario file (or its built-in demo) on the
// virtual clock and prints every event the library delivers as one JSON line (event_line.h); the
// library's diagnostic lines appear on the same standard output, in the order they happen.
//
// The library exports a C function named `start`: nothing here may take that name.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>

#include "axbridge/axbridge.h"
#include "axbridge/sim.h"
#include "demo_scenario.h"
#include "event_line.h"
#include "program_input.h"

namespace {

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

void printEvent(const char* eventName, const char* json) noexcept {
  printEventLine(axsim_now(), eventName, json);
}

struct Options {
  bool printState = false;
  std::string scenarioPath;  // empty: the demo
};

bool parseOptions(int argc, char** argv, Options& options) {
  const auto takeOption = [&options](std::string_view option) {
    if (option == "--state") {
      options.printState = true;
      return OptionAnswer::Taken;
    }
    if (option == "--live") {
      std::fputs(
          "axbridge-watch: --live watches the real desktop, which only the macOS and Linux builds\n"
          "can do; this build plays scenarios on the simulated desktop\n",
          stderr);
      return OptionAnswer::Refused;
    }
    return OptionAnswer::Unknown;
  };
  return readCommandLine(argc, argv, kUsage, takeOption, options.scenarioPath);
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

int play(const Options& options) {
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

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) return kExitUsage;
  return play(options);
}
