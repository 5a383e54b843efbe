#include "platform/mac/text_markers.h"

#include <dlfcn.h>

namespace axb::platform::mac {
namespace {

template <typename Function>
void lookUp(Function& function, const char* name) {
  function = reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

TextMarkerFunctions resolve() {
  TextMarkerFunctions functions;
  lookUp(functions.markerTypeId, "AXTextMarkerGetTypeID");
  lookUp(functions.rangeTypeId, "AXTextMarkerRangeGetTypeID");
  lookUp(functions.copyStartMarker, "AXTextMarkerRangeCopyStartMarker");
  lookUp(functions.copyEndMarker, "AXTextMarkerRangeCopyEndMarker");
  lookUp(functions.createRange, "AXTextMarkerRangeCreate");
  return functions;
}

}  // namespace

const TextMarkerFunctions& textMarkerFunctions() {
  static const TextMarkerFunctions functions = resolve();
  return functions;
}

}  // namespace axb::platform::mac
