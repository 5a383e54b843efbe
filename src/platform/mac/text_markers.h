// The text-marker functions of the accessibility interface. They are looked up at run time:
// they are not in every SDK's headers, and a system without them simply has no text markers.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

namespace axb::platform::mac {

struct TextMarkerFunctions {
  CFTypeID (*markerTypeId)() = nullptr;
  CFTypeID (*rangeTypeId)() = nullptr;
  // Copy and Create results: the caller owns them.
  CFTypeRef (*copyStartMarker)(CFTypeRef range) = nullptr;
  CFTypeRef (*copyEndMarker)(CFTypeRef range) = nullptr;
  CFTypeRef (*createRange)(CFAllocatorRef allocator, CFTypeRef start, CFTypeRef end) = nullptr;
};

// Each member is null when the system lacks that function.
const TextMarkerFunctions& textMarkerFunctions();

}  // namespace axb::platform::mac
