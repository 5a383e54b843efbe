#include "live_mac.h"

#include <CoreFoundation/CoreFoundation.h>
#import <Foundation/Foundation.h>
#include <libproc.h>
#include <sys/proc_info.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace {

// Processes between this one and the application: shells, tmux, sudo, a build tool.
constexpr int kMaxAncestors = 32;

// "Terminal" for "/System/Applications/Utilities/Terminal.app/Contents/MacOS/Terminal"; the
// outermost bundle, since helpers live inside their application's bundle.
std::string bundleName(std::string_view path) {
  const std::size_t end = path.find(".app/");
  if (end == std::string_view::npos) return {};
  const std::size_t slash = path.rfind('/', end);
  const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  return std::string(path.substr(start, end - start));
}

std::string ancestorApplicationName() {
  pid_t pid = getppid();
  for (int depth = 0; pid > 1 && depth < kMaxAncestors; ++depth) {
    char path[PROC_PIDPATHINFO_MAXSIZE] = {};
    if (proc_pidpath(pid, path, sizeof path) > 0) {
      std::string name = bundleName(path);
      if (!name.empty()) return name;
    }
    proc_bsdinfo info{};
    const int size = static_cast<int>(sizeof info);
    if (proc_pidinfo(pid, PROC_PIDTBSDINFO, 0, &info, size) != size) break;
    pid = static_cast<pid_t>(info.pbi_ppid);
  }
  return {};
}

// TERM_PROGRAM as the common terminals set it.
std::string terminalProgramName() {
  const char* program = std::getenv("TERM_PROGRAM");
  if (program == nullptr || *program == '\0') return {};
  const std::string_view name = program;
  if (name == "Apple_Terminal") return "Terminal";
  if (name == "iTerm.app") return "iTerm";
  if (name == "vscode") return "Visual Studio Code";
  return std::string(name);
}

}  // namespace

std::string permissionHolderName() {
  std::string name = ancestorApplicationName();
  return name.empty() ? terminalProgramName() : name;
}

void runMainRunLoop() {
  // At most this long between two drains when only timers fire (they do not end a pass).
  constexpr CFTimeInterval kLongestPass = 1.0;
  for (;;) {
    @autoreleasepool {
      const auto result = CFRunLoopRunInMode(kCFRunLoopDefaultMode, kLongestPass, true);
      if (result == kCFRunLoopRunStopped || result == kCFRunLoopRunFinished) return;
    }
  }
}
