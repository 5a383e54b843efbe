// What axbridge-watch reads: its command line, and the file it is given.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// What the program makes of an option it was given.
enum class OptionAnswer { Taken, Refused, Unknown };

// Reads the command line: --help (or -h) prints the usage and exits, every other option goes to
// takeOption (which explains a refusal), "--" ends the options, and at most one operand is
// allowed. Returns false after printing a usage error.
inline bool readCommandLine(int argc, char** argv, const char* usage,
                            const std::function<OptionAnswer(std::string_view)>& takeOption,
                            std::string& operand) {
  bool optionsEnded = false;
  bool haveOperand = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && (argument == "--help" || argument == "-h")) {
      std::fputs(usage, stdout);
      std::exit(kExitOk);
    }
    const OptionAnswer answer = optionsEnded ? OptionAnswer::Unknown : takeOption(argument);
    if (answer == OptionAnswer::Refused) return false;
    if (answer == OptionAnswer::Taken) continue;
    if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
      std::fprintf(stderr, "axbridge-watch: unknown option %s\n\n%s", argv[i], usage);
      return false;
    }
    if (haveOperand) {
      std::fprintf(stderr, "axbridge-watch: only one scenario at a time\n\n%s", usage);
      return false;
    }
    operand = argument;
    haveOperand = true;
  }
  return true;
}

inline bool readFile(const std::string& path, std::string& text) {
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
