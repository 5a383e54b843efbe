// Hover and click-outside detection on one of the host's windows.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "platform/window.h"

namespace axb::window {

// The options of every tracking area: entering and leaving, whether or not the host is active,
// over the view's visible part (so the area follows the window when it is resized).
inline constexpr unsigned kTrackingOptions = platform::kTrackingMouseEnteredAndExited |
                                             platform::kTrackingActiveAlways |
                                             platform::kTrackingInVisibleRect;

class WindowTracker final : public platform::MouseResponder {
 public:
  WindowTracker() = default;
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

  // Whether the pointer entered one of this tracker's areas and has not left it since.
  bool holdsPointer() const { return holdsPointer_; }

  std::optional<platform::TrackingArea> trackingArea;

 private:
  bool holdsPointer_ = false;
  std::vector<std::pair<platform::HostWindow, platform::TrackingArea>> installed_;
};

}  // namespace axb::window
