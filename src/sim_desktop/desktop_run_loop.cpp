// The virtual clock, the main run loop with its modes, and the world timeline of the other
// processes. A run call picks, among the main-thread items runnable in its mode and the world
// items, the one with the smallest (due time, sequence), moves the clock to it and runs it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>

#include "sim_desktop/desktop_state.h"

namespace axb::sim {
namespace {

// A runaway guard: one run call never runs more items than this.
constexpr std::uint64_t kMaxItemsPerRun = 10'000'000;
constexpr double kMaxSeconds = 1e9;  // about 31 years of virtual time

// Restores the run loop's mode when a (possibly nested) run call ends.
// The state is looked up afresh at the end because work may have reset the desktop.
class ModeScope {
 public:
  ModeScope(Desktop& desktop, RunLoopMode mode)
      : desktop_(desktop), saved_(desktop.state().runningMode) {
    desktop_.state().runningMode = mode;
  }
  ~ModeScope() { desktop_.state().runningMode = saved_; }
  ModeScope(const ModeScope&) = delete;
  ModeScope& operator=(const ModeScope&) = delete;

 private:
  Desktop& desktop_;
  std::optional<RunLoopMode> saved_;
};

enum class Runnable { MainAndWorld, WorldOnly };

// Runs the next item due at or before the limit; false when there is none.
bool runNext(Desktop& desktop, RunLoopMode mode, std::optional<Nanos> limit, Runnable runnable) {
  auto& state = desktop.state();
  // The workspace's state catches up with the desktop whenever the run loop turns; a thread
  // blocked in a wait sees it as it was.
  if (runnable == Runnable::MainAndWorld) state.workspaceFrontmost = state.frontmost;
  auto main = state.mainWork.end();
  if (runnable == Runnable::MainAndWorld) {
    main = std::find_if(state.mainWork.begin(), state.mainWork.end(),
                        [mode](const auto& entry) { return entry.second.modes & modeBit(mode); });
  }
  const auto world = state.worldWork.begin();
  const bool haveMain = main != state.mainWork.end();
  const bool haveWorld = world != state.worldWork.end();
  if (!haveMain && !haveWorld) return false;

  const bool takeWorld = haveWorld && (!haveMain || world->first < main->first);
  const ScheduleKey key = takeWorld ? world->first : main->first;
  if (limit && key.first > *limit) return false;
  if (state.runItemsLeft) {
    if (*state.runItemsLeft == 0) {
      state.runLimitReached = true;
      return false;
    }
    --*state.runItemsLeft;
  }

  std::function<void()> work;
  if (takeWorld) {
    work = std::move(world->second);
    state.worldWork.erase(world);
  } else {
    work = std::move(main->second.work);
    state.mainWork.erase(main);
  }
  state.now = std::max(state.now, key.first);
  if (work) work();
  return true;
}

void reportRunaway() {
  std::fprintf(stderr, "simulated desktop: run loop stopped after %llu items\n",
               static_cast<unsigned long long>(kMaxItemsPerRun));
}

void runUntilLimit(Desktop& desktop, Nanos limit, RunLoopMode mode) {
  {
    ModeScope scope(desktop, mode);
    for (std::uint64_t ran = 0;; ++ran) {
      if (ran == kMaxItemsPerRun) {
        reportRunaway();
        break;
      }
      if (!runNext(desktop, mode, limit, Runnable::MainAndWorld)) break;
    }
  }
  auto& state = desktop.state();
  state.now = std::max(state.now, limit);
}

}  // namespace

Nanos secondsToNanos(double seconds) {
  if (!(seconds > 0)) return 0;  // negative and NaN
  return static_cast<Nanos>(std::llround(std::min(seconds, kMaxSeconds) * 1e9));
}

double nanosToSeconds(Nanos nanos) {
  return static_cast<double>(nanos) / 1e9;
}

double Desktop::now() const {
  return nanosToSeconds(state_->now);
}

RunLoopMode Desktop::currentMode() const {
  return state_->runningMode.value_or(RunLoopMode::Default);
}

// World items count as work too: another process may still be about to post something.
void Desktop::runUntilIdle(RunLoopMode mode) {
  ModeScope scope(*this, mode);
  for (std::uint64_t ran = 0;; ++ran) {
    if (ran == kMaxItemsPerRun) return reportRunaway();
    if (!runNext(*this, mode, std::nullopt, Runnable::MainAndWorld)) return;
  }
}

void Desktop::runUntil(double time, RunLoopMode mode) {
  runUntilLimit(*this, secondsToNanos(time), mode);
}

void Desktop::runFor(double seconds, RunLoopMode mode) {
  runUntilLimit(*this, state_->now + secondsToNanos(seconds), mode);
}

bool Desktop::hasPendingWork() const {
  return !state_->mainWork.empty() || !state_->worldWork.empty();
}

void Desktop::limitRunItems(std::optional<std::uint64_t> items) {
  state_->runItemsLeft = items;
  state_->runLimitReached = false;
}

bool Desktop::runLimitReached() const {
  return state_->runLimitReached;
}

void Desktop::dispatchAfterOnMainQueue(double seconds, std::function<void()> work) {
  auto& state = *state_;
  state.mainWork.emplace(state.nextKey(state.now + secondsToNanos(seconds)),
                         MainThreadWork{kCommonModes, std::move(work)});
}

Desktop::TimerId Desktop::scheduleTimer(double seconds, std::function<void()> work) {
  auto& state = *state_;
  const ScheduleKey key = state.nextKey(state.now + secondsToNanos(seconds));
  state.mainWork.emplace(key, MainThreadWork{modeBit(RunLoopMode::Default), std::move(work)});
  return {state.serial, key.first, key.second};
}

void Desktop::cancelTimer(const TimerId& timer) {
  if (timer.desktop != state_->serial) return;
  state_->mainWork.erase(ScheduleKey{timer.due, timer.sequence});
}

void Desktop::blockMainThreadUntil(double time) {
  if (std::isnan(time)) return;
  const Nanos deadline = secondsToNanos(time);
  if (deadline <= state_->now) return;
  for (std::uint64_t ran = 0;; ++ran) {
    if (ran == kMaxItemsPerRun) {
      reportRunaway();
      break;
    }
    if (!runNext(*this, currentMode(), deadline, Runnable::WorldOnly)) break;
  }
  state_->now = std::max(state_->now, deadline);
}

void Desktop::atWorldTime(double time, std::function<void()> work) {
  auto& state = *state_;
  state.worldWork.emplace(state.nextKey(std::max(state.now, secondsToNanos(time))),
                          std::move(work));
}

}  // namespace axb::sim
