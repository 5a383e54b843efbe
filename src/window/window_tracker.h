// Hover and click-outside detection on one of the host's windows.
#pragma once

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "events/event_sink.h"
#include "platform/window.h"

namespace axb::window {

// What a window tracker acts on, supplied by the library's entry points.
struct WindowTrackerSink {
  EventSink post;                                     // the event channel
  std::function<bool()> hostListens;                  // whether a host callback is registered
  std::function<void()> activateFollowedApplication;  // brings the user back
  bool* isInWindow = nullptr;  // the process-wide "pointer is over a host window" flag
};

// The options of every tracking area: entering and leaving, whether or not the host is active,
// over the view's visible part (so the area follows the window when it is resized).
inline constexpr platform::TrackingOptions kTrackingOptions =
    platform::TrackingOption::MouseEnteredAndExited | platform::TrackingOption::ActiveAlways |
    platform::TrackingOption::InVisibleRect;

class WindowTracker final : public platform::MouseResponder {
 public:
  explicit WindowTracker(WindowTrackerSink sink) : sink_(std::move(sink)) {}
  ~WindowTracker();
  WindowTracker(const WindowTracker&) = delete;
  WindowTracker& operator=(const WindowTracker&) = delete;

  // Installs a tracking area over the window's content view (the zero rectangle, and nothing
  // installed, without one). The newest area is kept in trackingArea.
  void setupTrackingArea(const platform::HostWindow& window);

  // Removes every area this tracker installed, so that no later event can reach it.
  void removeTrackingAreas();

  void mouseEntered() override;
  void mouseExited() override;
  void mouseDown() override;

  // The window under the pointer closed: no leave will come, so the pointer is outside now.
  void windowClosedUnderPointer();

  std::optional<platform::TrackingArea> trackingArea;

 private:
  WindowTrackerSink sink_;
  // Whether the pointer entered one of this tracker's areas and has not left it since.
  bool holdsPointer_ = false;
  std::vector<std::pair<platform::HostWindow, platform::TrackingArea>> installed_;
};

}  // namespace axb::window
