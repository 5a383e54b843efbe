// Requests to other applications through the accessibility interface.
#include "platform/accessibility.h"

#include <ApplicationServices/ApplicationServices.h>
#import <Foundation/Foundation.h>

#include <cstdlib>

#include "platform/mac/cf_string.h"
#include "platform/mac/messaging.h"
#include "platform/mac/object_impl.h"
#include "platform/mac/text_markers.h"

namespace axb::platform {
namespace mac {

void limitMessagingTime(CFTypeRef value) {
  if (!value) return;
  if (CFGetTypeID(value) == AXUIElementGetTypeID()) {
    AXUIElementSetMessagingTimeout(static_cast<AXUIElementRef>(value), kMessagingTimeoutSeconds);
    return;
  }
  if (CFGetTypeID(value) != CFArrayGetTypeID()) return;
  const auto array = static_cast<CFArrayRef>(value);
  for (CFIndex i = 0, count = CFArrayGetCount(array); i < count; ++i) {
    const CFTypeRef item = CFArrayGetValueAtIndex(array, i);
    if (item && CFGetTypeID(item) == AXUIElementGetTypeID()) {
      AXUIElementSetMessagingTimeout(static_cast<AXUIElementRef>(item), kMessagingTimeoutSeconds);
    }
  }
}

}  // namespace mac

namespace {

using mac::borrow;
using mac::CFRef;
using mac::wrap;

// The element's reference; null when the object is not an element after all.
AXUIElementRef elementRef(const Element& element) {
  const CFTypeRef ref = borrow(element.object());
  if (!ref || CFGetTypeID(ref) != AXUIElementGetTypeID()) return nullptr;
  return static_cast<AXUIElementRef>(ref);
}

CopyResult copied(AXError error, CFRef<CFTypeRef> value) {
  if (error != kAXErrorSuccess) return {error, Object()};
  // Success without a value is no value.
  if (!value) return {axerr::kNoValue, Object()};
  mac::limitMessagingTime(value.get());
  return {axerr::kSuccess, wrap(std::move(value))};
}

bool isTextMarker(const Object& object) {
  return object.kind() == ValueKind::TextMarker;
}

}  // namespace

CopyResult copyAttributeValue(const Element& element, std::string_view attribute) {
  const AXUIElementRef ref = elementRef(element);
  const CFRef<CFStringRef> name = mac::makeCFString(attribute);
  if (!ref || !name) return {axerr::kIllegalArgument, Object()};
  CFTypeRef value = nullptr;
  const AXError error = AXUIElementCopyAttributeValue(ref, name.get(), &value);
  return copied(error, CFRef<CFTypeRef>::adopt(value));
}

CopyResult copyParameterizedAttributeValue(const Element& element, std::string_view attribute,
                                           const Object& parameter) {
  const AXUIElementRef ref = elementRef(element);
  const CFRef<CFStringRef> name = mac::makeCFString(attribute);
  const CFTypeRef argument = borrow(parameter);
  if (!ref || !name || !argument) return {axerr::kIllegalArgument, Object()};
  CFTypeRef value = nullptr;
  const AXError error =
      AXUIElementCopyParameterizedAttributeValue(ref, name.get(), argument, &value);
  return copied(error, CFRef<CFTypeRef>::adopt(value));
}

CopyResult copyAttributeNames(const Element& element) {
  const AXUIElementRef ref = elementRef(element);
  if (!ref) return {axerr::kIllegalArgument, Object()};
  CFArrayRef names = nullptr;
  const AXError error = AXUIElementCopyAttributeNames(ref, &names);
  return copied(error, CFRef<CFTypeRef>::adopt(names));
}

SettableResult isAttributeSettable(const Element& element, std::string_view attribute) {
  const AXUIElementRef ref = elementRef(element);
  const CFRef<CFStringRef> name = mac::makeCFString(attribute);
  if (!ref || !name) return {axerr::kIllegalArgument, false};
  Boolean settable = false;
  const AXError error = AXUIElementIsAttributeSettable(ref, name.get(), &settable);
  if (error != kAXErrorSuccess) return {error, false};
  return {axerr::kSuccess, settable != 0};
}

AXErrorCode setAttributeValue(const Element& element, std::string_view attribute,
                              const Object& value) {
  const AXUIElementRef ref = elementRef(element);
  const CFRef<CFStringRef> name = mac::makeCFString(attribute);
  const CFTypeRef newValue = borrow(value);
  if (!ref || !name || !newValue) return axerr::kIllegalArgument;
  return AXUIElementSetAttributeValue(ref, name.get(), newValue);
}

Element createApplicationElement(ProcessId pid) {
  CFRef<CFTypeRef> application = CFRef<CFTypeRef>::adopt(AXUIElementCreateApplication(pid));
  // The call only allocates (it does not look at the process), so it fails only when memory
  // is exhausted, and there is no element to return then.
  if (!application) std::abort();
  mac::limitMessagingTime(application.get());
  return *Element::from(wrap(std::move(application)));
}

std::optional<ProcessId> elementProcessId(const Element& element) {
  const AXUIElementRef ref = elementRef(element);
  if (!ref) return std::nullopt;
  pid_t pid = 0;
  if (AXUIElementGetPid(ref, &pid) != kAXErrorSuccess) return std::nullopt;
  return pid;
}

Object textMarkerRangeStart(const Object& markerRange) {
  const auto copyStart = mac::textMarkerFunctions().copyStartMarker;
  if (!copyStart || markerRange.kind() != ValueKind::TextMarkerRange) return Object();
  return wrap(CFRef<CFTypeRef>::adopt(copyStart(borrow(markerRange))));
}

Object textMarkerRangeEnd(const Object& markerRange) {
  const auto copyEnd = mac::textMarkerFunctions().copyEndMarker;
  if (!copyEnd || markerRange.kind() != ValueKind::TextMarkerRange) return Object();
  return wrap(CFRef<CFTypeRef>::adopt(copyEnd(borrow(markerRange))));
}

Object makeTextMarkerRange(const Object& startMarker, const Object& endMarker) {
  const auto create = mac::textMarkerFunctions().createRange;
  if (!create || !isTextMarker(startMarker) || !isTextMarker(endMarker)) return Object();
  return wrap(
      CFRef<CFTypeRef>::adopt(create(kCFAllocatorDefault, borrow(startMarker), borrow(endMarker))));
}

FocusedApplicationResult focusedApplication() {
  // The system-wide element answers from the system, not from the application in front, and
  // reflects an activation at once; NSWorkspace's frontmostApplication waits for the run loop.
  // Its messaging timeout is the system's own and is left alone.
  const CFRef<AXUIElementRef> systemWide =
      CFRef<AXUIElementRef>::adopt(AXUIElementCreateSystemWide());
  if (!systemWide) return {axerr::kFailure, 0};
  CFTypeRef raw = nullptr;
  const AXError error =
      AXUIElementCopyAttributeValue(systemWide.get(), kAXFocusedApplicationAttribute, &raw);
  const CFRef<CFTypeRef> application = CFRef<CFTypeRef>::adopt(raw);
  if (error != kAXErrorSuccess) return {error, 0};
  if (!application || CFGetTypeID(application.get()) != AXUIElementGetTypeID()) {
    return {axerr::kNoValue, 0};
  }
  pid_t pid = 0;
  const AXError pidError = AXUIElementGetPid(static_cast<AXUIElementRef>(application.get()), &pid);
  if (pidError != kAXErrorSuccess) return {pidError, 0};
  return {axerr::kSuccess, pid};
}

// Every request goes to the application: the system keeps nothing for a run.
void beginRequestRun() {}
void endRequestRun() {}

bool isProcessTrusted(bool prompt) {
  NSDictionary* options = @{(__bridge id)kAXTrustedCheckOptionPrompt : @(prompt)};
  return AXIsProcessTrustedWithOptions((__bridge CFDictionaryRef)options);
}

}  // namespace axb::platform
