// The process-wide desktop, its state, trust, request checks and diagnostics.
#include "sim_desktop/desktop.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <variant>

#include "platform/quiet_stdout.h"
#include "sim_desktop/desktop_state.h"
#include "sim_desktop/values.h"

namespace axb::sim {

Desktop::State::State()
    : serial([] {
        static std::uint64_t desktopsMade = 0;
        return ++desktopsMade;
      }()) {}

Desktop::State::~State() {
  // Overrides may hold elements, and so their own node: break such cycles.
  const auto forget = [](ElementNode& node) {
    node.overrides.clear();
    node.parameterizedOverrides.clear();
  };
  for (const auto& app : apps) {
    forget(*app->appNode);
    for (const auto& node : app->elements) forget(*node);
  }
  for (const auto& [pid, node] : detachedAppNodes) forget(*node);
}

std::shared_ptr<AppRecord> Desktop::State::findApp(ProcessId pid) const {
  for (auto it = apps.rbegin(); it != apps.rend(); ++it) {
    if ((*it)->spec.pid == pid) return *it;
  }
  return nullptr;
}

std::shared_ptr<AppRecord> Desktop::State::liveApp(ProcessId pid) const {
  auto app = findApp(pid);
  return app && !app->terminated ? app : nullptr;
}

std::shared_ptr<ElementNode> Desktop::State::findElement(std::string_view id) const {
  const auto it = elements.find(id);
  return it == elements.end() ? nullptr : it->second;
}

const std::shared_ptr<ElementNode>& Desktop::State::requireElement(std::string_view id) const {
  const auto it = elements.find(id);
  if (it == elements.end()) throw std::out_of_range("unknown element id: " + std::string(id));
  return it->second;
}

// Created on first use and never destroyed, so static destruction order cannot bite.
Desktop& Desktop::current() {
  static Desktop* const desktop = new Desktop();
  return *desktop;
}

void Desktop::reset() {
  current().state_ = std::make_unique<State>();
  current().mainThread_.store(std::thread::id());
}

void Desktop::claimMainThread() {
  std::thread::id unclaimed;
  mainThread_.compare_exchange_strong(unclaimed, std::this_thread::get_id());
}

bool Desktop::isMainThread() const {
  const std::thread::id main = mainThread_.load();
  return main == std::thread::id() || main == std::this_thread::get_id();
}

Desktop::Desktop() : state_(std::make_unique<State>()) {}
Desktop::~Desktop() = default;

// ---- Trust

void Desktop::setTrusted(bool trusted) {
  state_->trusted = trusted;
}
bool Desktop::trusted() const {
  return state_->trusted;
}
int Desktop::promptCount() const {
  return state_->promptCount;
}
void Desktop::notePrompt() {
  ++state_->promptCount;
}

// ---- Requests

namespace {
class HookScope {
 public:
  explicit HookScope(Desktop& desktop) : desktop_(desktop) {
    desktop_.state().inRequestHook = true;
  }
  ~HookScope() { desktop_.state().inRequestHook = false; }
  HookScope(const HookScope&) = delete;
  HookScope& operator=(const HookScope&) = delete;

 private:
  Desktop& desktop_;
};
}  // namespace

platform::AXErrorCode Desktop::beginRequest(const RequestInfo& info, ProcessId target) {
  ++state_->requestCount;
  if (state_->requestHook && !state_->inRequestHook) {
    // Copied: the hook may replace itself. Requests the hook makes do not run it again.
    auto hook = state_->requestHook;
    HookScope scope(*this);
    hook(info);
  }
  auto& state = *state_;
  if (target != state.hostPid && !state.trusted) return platform::axerr::kAPIDisabled;
  const auto app = state.liveApp(target);
  if (!app) return platform::axerr::kInvalidUIElement;
  if (const auto node = state.findElement(info.elementId); node && node->destroyed) {
    return platform::axerr::kInvalidUIElement;
  }
  if (!app->finishedLaunching) return platform::axerr::kCannotComplete;
  if (isHung(*this, *app)) {
    // The caller waits for the hung application until the request times out.
    const auto node = state.findElement(info.elementId);
    double wait = node ? node->messagingTimeout : kDefaultMessagingTimeout;
    if (app->hangEnd) wait = std::min(wait, *app->hangEnd - now());
    blockMainThreadUntil(now() + wait);
    return platform::axerr::kCannotComplete;
  }
  return platform::axerr::kSuccess;
}

std::uint64_t Desktop::requestCount() const {
  return state_->requestCount;
}
void Desktop::resetRequestCount() {
  state_->requestCount = 0;
}

void Desktop::setRequestHook(std::function<void(const RequestInfo&)> hook) {
  state_->requestHook = std::move(hook);
}

std::shared_ptr<ElementNode> nodeOf(const platform::Object& object) {
  const auto* node = payloadAs<std::shared_ptr<ElementNode>>(object);
  return node ? *node : nullptr;
}

platform::Element elementOf(const std::shared_ptr<ElementNode>& node) {
  return *platform::Element::from(makeElementObject(node));
}

platform::AXErrorCode beginElementRequest(Desktop& desktop, const char* operation,
                                          const std::shared_ptr<ElementNode>& node,
                                          std::string_view attribute) {
  if (!node) {
    ++desktop.state().requestCount;
    return platform::axerr::kInvalidUIElement;
  }
  const RequestInfo info{operation, node->spec.id, std::string(attribute)};
  const auto error = desktop.beginRequest(info, node->pid);
  if (error != platform::axerr::kSuccess) return error;
  // The id may now name a newer element; this node is what was asked about.
  return node->destroyed ? platform::axerr::kInvalidUIElement : platform::axerr::kSuccess;
}

// ---- Diagnostics

void Desktop::writeDiagnosticLine(std::string_view line) {
  state_->diagnostics.emplace_back(line);
  if (state_->echoDiagnostics) {
    platform::writeLineToStdout(line);
  }
  // A copy: the sink may replace itself.
  if (const auto sink = state_->diagnosticSink) sink(line);
}

const std::vector<std::string>& Desktop::diagnosticLines() const {
  return state_->diagnostics;
}
void Desktop::clearDiagnosticLines() {
  state_->diagnostics.clear();
}
void Desktop::setEchoDiagnostics(bool echo) {
  state_->echoDiagnostics = echo;
}
void Desktop::setDiagnosticSink(std::function<void(std::string_view)> sink) {
  state_->diagnosticSink = std::move(sink);
}

}  // namespace axb::sim
