// The boundary's tracking options as AppKit's NSTrackingAreaOptions.
#pragma once

#import <AppKit/AppKit.h>

#include "platform/window.h"

namespace axb::platform::mac {

inline NSTrackingAreaOptions appKitTrackingOptions(TrackingOptions options) {
  NSTrackingAreaOptions appKit = 0;
  if (options.contains(TrackingOption::MouseEnteredAndExited)) {
    appKit |= NSTrackingMouseEnteredAndExited;
  }
  if (options.contains(TrackingOption::ActiveAlways)) appKit |= NSTrackingActiveAlways;
  if (options.contains(TrackingOption::InVisibleRect)) appKit |= NSTrackingInVisibleRect;
  return appKit;
}

}  // namespace axb::platform::mac
