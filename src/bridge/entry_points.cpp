// The library's C surface. Each entry point converts its arguments, finds the tracker and
// forwards; nothing here throws across the C boundary.
#include <memory>
#include <string>
#include <variant>

#include "axbridge/axbridge.h"
#include "bridge/blocked_list_parser.h"
#include "bridge/event_channel.h"
#include "bridge/globals.h"
#include "bridge/host_string.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"
#include "tracker/mac_accessibility.h"
#include "window/mouse_tracking.h"

static_assert(sizeof(bool) == 1, "Boolean results are one byte");

namespace {

using axb::bridge::globals;

// Runs the body, swallowing anything it throws: a host must never see an exception.
template <typename Body>
void guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

std::shared_ptr<axb::tracker::MacAccessibility> tracker() {
  return globals().macAccessibility;
}

}  // namespace

extern "C" {

AXBRIDGE_API void initMacAccessibility(axbridge_event_callback callback) {
  guarded([&] {
    globals().observer_callback = callback;
    globals().macAccessibility =
        std::make_shared<axb::tracker::MacAccessibility>(axb::bridge::callbackWraper);
  });
}

AXBRIDGE_API bool isAccessibiltyEnabled(void) {
  return axb::platform::isProcessTrusted(false);
}

AXBRIDGE_API bool showAccessibiltyPermisionPopup(void) {
  return axb::platform::isProcessTrusted(true);
}

AXBRIDGE_API void start(const char* blocked_fields_json) {
  guarded([&] {
    const auto current = tracker();
    if (!current || blocked_fields_json == nullptr) return;
    current->start();
    const std::string text = axb::bridge::toWellFormedUtf8(blocked_fields_json);
    auto parsed = axb::bridge::parseBlockedFieldList(text);
    if (const auto* error = std::get_if<axb::bridge::BlockedListSyntaxError>(&parsed)) {
      axb::platform::writeDiagnosticLine("Error deserializing JSON: " + error->description);
      return;
    }
    if (auto* list = std::get_if<axb::BlockedFieldList>(&parsed)) {
      current->setBlockedFiledList(std::move(*list));
    }
  });
}

AXBRIDGE_API void setText(const char* text) {
  guarded([&] {
    const auto current = tracker();
    const auto decoded = axb::bridge::copyHostString(text);
    if (!current || !decoded) return;
    current->setSelectedText(*decoded);
  });
}

AXBRIDGE_API void getDataForVeskAssist(void) {
  guarded([&] {
    if (const auto current = tracker()) current->getDataForVeskAssist();
  });
}

AXBRIDGE_API void focusPreiov(void) {
  guarded([&] {
    const auto current = tracker();
    if (!current) return;
    current->acctivateTheForMost();
    axb::platform::writeDiagnosticLine("hello");
  });
}

AXBRIDGE_API void addMouseTracker(void* window) {
  guarded([&] { axb::window::addMouseTracker(window); });
}

}  // extern "C"
