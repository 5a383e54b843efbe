// One handler run or entry-point call, as far as requests to other applications go. An
// application that did not answer in time (-25204) is asked nothing more until the run ends: a
// hung application then costs one timeout per run instead of one per request.
#pragma once

#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/object.h"

namespace axb::ax {

// Marks the extent of a run; runs may nest (a host calling an entry point from its callback), and
// the outermost one's end forgets what was learnt. The platform hears where the outermost begins
// and ends (it may keep answers for that long). Main thread only.
class RequestRun {
 public:
  RequestRun();
  ~RequestRun();
  RequestRun(const RequestRun&) = delete;
  RequestRun& operator=(const RequestRun&) = delete;

  // Whether a request to the element's application is to be skipped in the current run.
  static bool skips(const platform::Element& element);
  // Records the outcome of a request to the element's application.
  static void note(const platform::Element& element, platform::AXErrorCode error);
  // Whether the process answered a request in the current run and has not hung since.
  static bool answered(ProcessId pid);
};

// Asks the application one cheap question, printing nothing, and notes the outcome in the run:
// the error it answered with (-25204 while it is busy).
platform::AXErrorCode askApplication(ProcessId pid);

}  // namespace axb::ax
