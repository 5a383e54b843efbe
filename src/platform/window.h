// The host's own windows and the mouse over them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "platform/geometry.h"

namespace axb::platform {

// Receives a tracking area's entering and leaving and the watched mouse-downs. The platform
// keeps only a plain pointer to it, as a window does with its tracking areas' owner: whoever
// owns the responder must remove its tracking areas before destroying it.
class MouseResponder {
 public:
  virtual void mouseEntered() = 0;
  virtual void mouseExited() = 0;
  virtual void mouseDown() = 0;

 protected:
  ~MouseResponder() = default;
};

// What a tracking area reports, and when.
enum class TrackingOption : unsigned {
  MouseEnteredAndExited = 1u << 0,  // the pointer entering and leaving the area
  ActiveAlways = 1u << 1,           // also while the host is not the active application
  InVisibleRect = 1u << 2,          // the area is the view's visible part, whatever its size
};

// A set of tracking options, written TrackingOption::A | TrackingOption::B.
class TrackingOptions {
 public:
  constexpr TrackingOptions() = default;
  // One option is a set of one, so that an option can be passed where a set is expected.
  constexpr TrackingOptions(TrackingOption option) : bits_(static_cast<unsigned>(option)) {}

  constexpr bool contains(TrackingOption option) const {
    return (bits_ & static_cast<unsigned>(option)) != 0;
  }
  friend constexpr TrackingOptions operator|(TrackingOptions a, TrackingOptions b) {
    TrackingOptions both;
    both.bits_ = a.bits_ | b.bits_;
    return both;
  }
  constexpr bool operator==(const TrackingOptions&) const = default;

 private:
  unsigned bits_ = 0;
};

constexpr TrackingOptions operator|(TrackingOption a, TrackingOption b) {
  return TrackingOptions(a) | TrackingOptions(b);
}

// A tracking area installed in a window's content view. The view holds it too; copies share it.
class TrackingArea {
 public:
  struct Impl;
  explicit TrackingArea(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}
  const std::shared_ptr<Impl>& impl() const { return impl_; }

 private:
  std::shared_ptr<Impl> impl_;
};

// Calls its handler once when the window closes, unless destroyed first.
class WindowCloseSubscription {
 public:
  struct Impl;
  explicit WindowCloseSubscription(std::unique_ptr<Impl> impl);
  ~WindowCloseSubscription();
  WindowCloseSubscription(const WindowCloseSubscription&) = delete;
  WindowCloseSubscription& operator=(const WindowCloseSubscription&) = delete;

 private:
  std::unique_ptr<Impl> impl_;
};

// One of the host's windows. Copies refer to the same window, so changing the window does not
// change the handle: every operation is const.
class HostWindow {
 public:
  struct Impl;
  explicit HostWindow(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

  // The window behind a pointer the host passed in; nothing when it is not a window.
  static std::optional<HostWindow> fromHandle(void* handle);

  bool hasContentView() const;
  // The content view's bounds; the zero rectangle without a content view.
  Rect contentViewBounds() const;

  // The window's delegate, held weakly. Whether the host has set one of its own.
  bool hasDelegate() const;
  void setDelegate(MouseResponder* delegate) const;

  // Installs a tracking area in the content view (no-op without one; the result is then
  // empty). The owner is not retained.
  std::optional<TrackingArea> addTrackingArea(Rect rect, TrackingOptions options,
                                              MouseResponder* owner) const;
  // Removes the area; its owner hears nothing afterwards, not even an event already queued.
  void removeTrackingArea(const TrackingArea& area) const;

  std::unique_ptr<WindowCloseSubscription> onClose(std::function<void()> handler) const;

  // Same window (not merely the same handle object).
  bool operator==(const HostWindow& other) const;
  const std::shared_ptr<Impl>& impl() const { return impl_; }

 private:
  std::shared_ptr<Impl> impl_;
};

// Watches mouse-downs everywhere, in the host's windows and in other applications, and calls
// the handler on the main thread for each. Destroying it stops the watching.
class MouseDownMonitor {
 public:
  struct Impl;
  explicit MouseDownMonitor(std::function<void()> handler);
  ~MouseDownMonitor();
  MouseDownMonitor(const MouseDownMonitor&) = delete;
  MouseDownMonitor& operator=(const MouseDownMonitor&) = delete;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace axb::platform
