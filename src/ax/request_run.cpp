#include "ax/request_run.h"

#include <optional>
#include <set>

#include "platform/accessibility.h"
#include "platform/vocabulary.h"

namespace axb::ax {
namespace {

struct RunState {
  int depth = 0;
  std::set<ProcessId> unanswering;
  std::set<ProcessId> answering;
};

RunState& state() {
  static RunState* const instance = new RunState();
  return *instance;
}

}  // namespace

RequestRun::RequestRun() {
  if (state().depth++ == 0) platform::beginRequestRun();
}

RequestRun::~RequestRun() {
  RunState& run = state();
  if (--run.depth > 0) return;
  run.unanswering.clear();
  run.answering.clear();
  platform::endRequestRun();
}

bool RequestRun::skips(const platform::Element& element) {
  const RunState& run = state();
  if (run.depth == 0 || run.unanswering.empty()) return false;
  const std::optional<ProcessId> pid = platform::elementProcessId(element);
  return pid && run.unanswering.contains(*pid);
}

void RequestRun::note(const platform::Element& element, platform::AXErrorCode error) {
  RunState& run = state();
  if (run.depth == 0) return;
  const std::optional<ProcessId> pid = platform::elementProcessId(element);
  if (!pid) return;
  switch (error) {
    case platform::axerr::kCannotComplete:
      run.unanswering.insert(*pid);
      run.answering.erase(*pid);
      break;
    case platform::axerr::kAPIDisabled:  // this process's problem, not the application's
      break;
    default:
      if (!run.unanswering.contains(*pid)) run.answering.insert(*pid);
      break;
  }
}

bool RequestRun::answered(ProcessId pid) {
  return state().answering.contains(pid);
}

platform::AXErrorCode askApplication(ProcessId pid) {
  const platform::Element application = platform::createApplicationElement(pid);
  if (RequestRun::skips(application)) return platform::axerr::kCannotComplete;
  const platform::CopyResult focused =
      platform::copyAttributeValue(application, platform::attributes::kFocusedUIElement);
  RequestRun::note(application, focused.error);
  return focused.error;
}

}  // namespace axb::ax
