// Objective-C classes are registered process-wide by name: two copies of the library in one
// process (a host and a plug-in, each with its own) must not define the same class, or which
// one is used is undefined. The binding's classes are named with this library's name and
// version (CMake checks that the version here is the project's).
#pragma once

#define AXBRIDGE_OBJC_CLASS_PREFIX AXBridge_0_1_0_
#define AXBRIDGE_OBJC_PASTE_(prefix, name) prefix##name
#define AXBRIDGE_OBJC_PASTE(prefix, name) AXBRIDGE_OBJC_PASTE_(prefix, name)
#define AXBRIDGE_OBJC_CLASS(name) AXBRIDGE_OBJC_PASTE(AXBRIDGE_OBJC_CLASS_PREFIX, name)

// The binding's classes, under their short names.
#define AXBridgeWindowDelegate AXBRIDGE_OBJC_CLASS(WindowDelegate)
#define AXBridgeTrackingOwner AXBRIDGE_OBJC_CLASS(TrackingOwner)
