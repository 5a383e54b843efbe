// The library's C surface. Each entry point converts its arguments, finds the tracker and
// forwards; nothing here throws across the C boundary.
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "ax/request_run.h"
#include "axbridge/axbridge.h"
#include "bridge/blocked_list_parser.h"
#include "bridge/event_channel.h"
#include "bridge/globals.h"
#include "bridge/host_string.h"
#include "platform/accessibility.h"
#include "platform/diagnostics.h"
#include "platform/threads.h"
#include "tracker/mac_accessibility.h"
#include "window/mouse_tracking.h"

static_assert(sizeof(bool) == 1, "Boolean results are one byte");

namespace {

using axb::bridge::globals;

// Runs the body on the main thread as one run of requests, swallowing anything it throws: a host
// must never see an exception. Off the main thread it touches nothing and says so.
template <typename Body>
void guarded(const char* function, Body&& body) noexcept {
  try {
    if (!axb::platform::isMainThread()) {
      axb::platform::writeLineFromAnyThread(std::string(function) + " called off the main thread");
      return;
    }
    const axb::ax::RequestRun run;
    body();
  } catch (...) {
  }
}

std::shared_ptr<axb::tracker::MacAccessibility> tracker() {
  return globals().macAccessibility;
}

// Window trackers post through the event channel and act on the tracker current at the time of
// the mouse event, not the one current when they were added.
axb::window::WindowTrackerSink windowTrackerSink() {
  return {
      .post = axb::bridge::callbackWraper,
      .hostListens = [] { return globals().observer_callback != nullptr; },
      .activateFollowedApplication =
          [] {
            if (const auto current = globals().macAccessibility) current->acctivateTheForMost();
          },
      .isInWindow = &globals().isInWindow,
  };
}

}  // namespace

extern "C" {

AXBRIDGE_API void initMacAccessibility(axbridge_event_callback callback) {
  axb::platform::claimMainThread();
  guarded("initMacAccessibility", [&] {
    globals().observer_callback = callback;
    const auto replaced = std::exchange(
        globals().macAccessibility,
        std::make_shared<axb::tracker::MacAccessibility>(axb::bridge::callbackWraper));
    // One tracker at a time: the one replaced would report beside it, with its own blocked list.
    // The new one takes over what it followed when it is started.
    if (replaced) {
      globals().macAccessibility->inheritFrom(*replaced);
      replaced->stop();
    }
  });
}

AXBRIDGE_API bool isAccessibiltyEnabled(void) {
  return axb::platform::isProcessTrusted(false);
}

AXBRIDGE_API bool showAccessibiltyPermisionPopup(void) {
  return axb::platform::isProcessTrusted(true);
}

AXBRIDGE_API void start(const char* blocked_fields_json) {
  guarded("start", [&] {
    const auto current = tracker();
    if (!current || blocked_fields_json == nullptr) return;
    current->start();
    // Measured without reading past the limit, and repaired only within it: the text may be huge.
    const std::string_view raw(blocked_fields_json,
                               strnlen(blocked_fields_json, axb::bridge::kBlockedListMaxBytes + 1));
    const std::string repaired = raw.size() > axb::bridge::kBlockedListMaxBytes
                                     ? std::string()
                                     : axb::bridge::toWellFormedUtf8(raw);
    auto parsed = axb::bridge::parseBlockedFieldList(
        raw.size() > axb::bridge::kBlockedListMaxBytes ? raw : std::string_view(repaired));
    if (const auto* error = std::get_if<axb::bridge::BlockedListSyntaxError>(&parsed)) {
      axb::platform::writeDiagnosticLine("Error deserializing JSON: " + error->description);
    } else if (auto* list = std::get_if<axb::BlockedFieldList>(&parsed)) {
      current->setBlockedFiledList(std::move(*list));
    }
    // Only with this call's list in force: a blocked field's text must never pass meanwhile.
    current->takeOverReplaced();
  });
}

AXBRIDGE_API void setText(const char* text) {
  guarded("setText", [&] {
    const auto current = tracker();
    auto decoded = axb::bridge::copyHostString(text);
    if (!current || !decoded) return;
    current->setSelectedText(std::move(*decoded));
    current->finishRun();
  });
}

AXBRIDGE_API void getDataForVeskAssist(void) {
  guarded("getDataForVeskAssist", [&] {
    const auto current = tracker();
    if (!current) return;
    current->getDataForVeskAssist();
    current->finishRun();
  });
}

AXBRIDGE_API void focusPreiov(void) {
  guarded("focusPreiov", [&] {
    const auto current = tracker();
    if (!current) return;
    current->acctivateTheForMost();
    axb::platform::writeDiagnosticLine("hello");
  });
}

AXBRIDGE_API void addMouseTracker(void* window) {
  guarded("addMouseTracker", [&] { axb::window::addMouseTracker(window, windowTrackerSink()); });
}

}  // extern "C"
