// Requests to other applications through the accessibility interface. Every call is synchronous
// and may block while the other application answers; every failure comes back as an error code.
#pragma once

#include <optional>
#include <string_view>

#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/object.h"

namespace axb::platform {

struct CopyResult {
  AXErrorCode error = axerr::kFailure;
  Object value;  // set only when error is kSuccess
};

CopyResult copyAttributeValue(const Element& element, std::string_view attribute);
CopyResult copyParameterizedAttributeValue(const Element& element, std::string_view attribute,
                                           const Object& parameter);
// The value is an array of attribute names on success.
CopyResult copyAttributeNames(const Element& element);

struct SettableResult {
  AXErrorCode error = axerr::kFailure;
  bool settable = false;
};
SettableResult isAttributeSettable(const Element& element, std::string_view attribute);
AXErrorCode setAttributeValue(const Element& element, std::string_view attribute,
                              const Object& value);

// The application element of a process. Always yields an element, also for a process that does
// not exist; requests to it then fail.
Element createApplicationElement(ProcessId pid);

// The process that owns the element, or nothing when the platform cannot tell.
std::optional<ProcessId> elementProcessId(const Element& element);

// Text markers: the two ends of a marker range, and a new range from two markers (start may come
// after end; the range then runs backwards). Empty objects on failure.
Object textMarkerRangeStart(const Object& markerRange);
Object textMarkerRangeEnd(const Object& markerRange);
Object makeTextMarkerRange(const Object& startMarker, const Object& endMarker);

// The process of the application that has keyboard focus right now, asked of the system: unlike
// the workspace's frontmost application, which changes only when the main run loop turns, it is
// current also right after a blocking wait. -25211 when this process is not trusted.
struct FocusedApplicationResult {
  AXErrorCode error = axerr::kFailure;
  ProcessId pid = 0;  // set only when error is kSuccess
};
FocusedApplicationResult focusedApplication();

// A run of requests (one handler run or entry-point call; of nested runs the outermost) begins
// and ends. A binding may keep what elements answered during a run until it ends, so that a run
// asks each element each thing once; what the run itself writes is not kept.
void beginRequestRun();
void endRequestRun();

// Whether this process may use the accessibility interface. With prompt set and the process not
// trusted, the system shows its permission prompt; the answer is still the state right now.
bool isProcessTrusted(bool prompt);

}  // namespace axb::platform
