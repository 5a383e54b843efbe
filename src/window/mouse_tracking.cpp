#include "window/mouse_tracking.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "ax/callout.h"
#include "platform/run_loop.h"
#include "platform/window.h"
#include "window/window_tracker.h"

namespace axb::window {
namespace {

// A watched window: its one tracker lives exactly as long as the window does, because the window
// system only points at it (weak delegate, unretained tracking-area owner).
struct WatchedWindow {
  platform::HostWindow window;
  std::shared_ptr<WindowTracker> tracker;
  std::unique_ptr<platform::WindowCloseSubscription> closing;
};

struct MouseTrackingState {
  std::vector<std::unique_ptr<WatchedWindow>> windows;
  std::unique_ptr<platform::MouseDownMonitor> mouseDowns;
};

MouseTrackingState& state() {
  static MouseTrackingState* const instance = new MouseTrackingState();
  return *instance;
}

void release(WatchedWindow& watched) {
  // Areas first, the tracker after: no event may reach a tracker that is gone.
  if (watched.tracker) watched.tracker->removeTrackingAreas();
  watched.tracker.reset();
}

void windowClosed(const WatchedWindow* closed) {
  auto& windows = state().windows;
  for (auto it = windows.begin(); it != windows.end(); ++it) {
    if (it->get() != closed) continue;
    std::shared_ptr<WatchedWindow> watched = std::move(*it);
    windows.erase(it);
    // A window that closes under the pointer sends no leave: without this, every later click
    // outside would count as inside.
    if (watched->tracker) watched->tracker->windowClosedUnderPointer();
    release(*watched);
    // The close subscription is running this very handler: drop it only afterwards.
    platform::dispatchAfterOnMainQueue(0, [watched] {});
    // Nothing left to tell of mouse-downs: stop watching them until a window is watched again.
    if (windows.empty()) state().mouseDowns.reset();
    return;
  }
}

// Mouse-downs reach every tracker: the tracking areas report only entering and leaving.
void forwardMouseDown() {
  std::vector<std::shared_ptr<WindowTracker>> trackers;
  for (const auto& watched : state().windows) {
    if (watched->tracker) trackers.push_back(watched->tracker);
  }
  for (const auto& tracker : trackers) tracker->mouseDown();
}

WatchedWindow& watch(const platform::HostWindow& window) {
  auto& windows = state().windows;
  for (const auto& watched : windows) {
    if (watched->window == window) return *watched;
  }
  auto watched = std::make_unique<WatchedWindow>(WatchedWindow{window, nullptr, nullptr});
  const WatchedWindow* key = watched.get();
  watched->closing = window.onClose([key] { ax::runCallout([key] { windowClosed(key); }); });
  windows.push_back(std::move(watched));
  if (!state().mouseDowns) {
    state().mouseDowns =
        std::make_unique<platform::MouseDownMonitor>([] { ax::runCallout(forwardMouseDown); });
  }
  return *windows.back();
}

}  // namespace

void addMouseTracker(void* handle, const WindowTrackerSink& sink) {
  const std::optional<platform::HostWindow> window = platform::HostWindow::fromHandle(handle);
  if (!window) return;
  WatchedWindow& watched = watch(*window);
  // One tracker per window: a host that attaches its window each time it shows it keeps the one,
  // or every click and every leave would be handled once per attachment.
  if (watched.tracker) return;
  auto tracker = std::make_shared<WindowTracker>(sink);
  // Only a window without a delegate of the host's gets one: the host's own delegate keeps
  // hearing its window's events.
  if (!window->hasDelegate()) window->setDelegate(tracker.get());
  tracker->setupTrackingArea(*window);
  watched.tracker = std::move(tracker);
}

void resetMouseTrackers() {
  MouseTrackingState& s = state();
  s.mouseDowns.reset();
  for (const auto& watched : s.windows) release(*watched);
  s.windows.clear();
}

}  // namespace axb::window
