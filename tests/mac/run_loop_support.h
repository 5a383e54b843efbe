// Running the current thread's run loop from a test body.
#pragma once

#import <Foundation/Foundation.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "platform/geometry.h"

namespace axb::testing {

// Runs the run loop in the mode for the given time, even when nothing else is scheduled in it.
inline void runLoopFor(CFStringRef mode, double seconds) {
  // A far-off timer keeps an otherwise empty mode from returning at once.
  NSTimer* keepAlive = [NSTimer timerWithTimeInterval:1e6
                                              repeats:NO
                                                block:^(NSTimer*){
                                                }];
  [[NSRunLoop currentRunLoop] addTimer:keepAlive forMode:(__bridge NSString*)mode];
  CFRunLoopRunInMode(mode, seconds, false);
  [keepAlive invalidate];
}

// Runs the default mode until the condition holds or the time is up; whether it holds.
inline bool runLoopUntil(const std::function<bool()>& condition, double seconds) {
  NSDate* deadline = [NSDate dateWithTimeIntervalSinceNow:seconds];
  while (!condition()) {
    if ([deadline timeIntervalSinceNow] <= 0) return false;
    runLoopFor(kCFRunLoopDefaultMode, 0.05);
  }
  return true;
}

// A process identifier that no process has right now.
inline ProcessId unusedProcessId() {
  for (ProcessId pid = 99990; pid > 1; --pid) {
    if (kill(pid, 0) == -1 && errno == ESRCH) return pid;
  }
  return 99990;
}

}  // namespace axb::testing
