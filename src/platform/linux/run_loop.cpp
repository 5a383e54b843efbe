// The main thread's scheduling on the host's GLib main context (GTK and Electron hosts run one
// on Linux), and the monotonic clock.
#include "platform/run_loop.h"

#include <glib.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "platform/linux/glib/g_ref.h"
#include "platform/linux/wayland/data_control.h"
#include "platform/linux/wayland/mutter_remote_desktop.h"
#include "platform/linux/wayland/paste_route.h"
#include "platform/linux/x11/x11_clipboard.h"
#include "platform/sliced_wait.h"

namespace axb::platform {
namespace {

// Delays are clamped to [0, about 31 years]: negative and NaN delays mean now.
constexpr double kMaxSeconds = 1e9;

double clampedSeconds(double seconds) {
  if (!(seconds > 0)) return 0;
  return std::min(seconds, kMaxSeconds);
}

gboolean runOnce(gpointer data) {
  const auto* work = static_cast<std::function<void()>*>(data);
  if (*work) (*work)();
  return G_SOURCE_REMOVE;
}

void destroyWork(gpointer data) {
  delete static_cast<std::function<void()>*>(data);
}

// One-shot work on the context; the source owns the work and frees it when it is done. The
// returned source is the caller's reference.
GRef<GSource> attach(GMainContext* context, double seconds, std::function<void()> work) {
  const double clamped = clampedSeconds(seconds);
  // Whole milliseconds, rounded up, so that work never runs before its time.
  const auto milliseconds = static_cast<guint>(std::min(std::ceil(clamped * 1000.0), 4.0e9));
  auto source = GRef<GSource>::adopt(g_timeout_source_new(milliseconds));
  g_source_set_priority(source.get(), G_PRIORITY_DEFAULT);
  g_source_set_callback(source.get(), runOnce, new std::function<void()>(std::move(work)),
                        destroyWork);
  g_source_attach(source.get(), context);
  return source;
}

GRef<GSource> scheduleOnThreadDefault(double seconds, std::function<void()> work) {
  const auto context = GRef<GMainContext>::adopt(g_main_context_ref_thread_default());
  return attach(context.get(), seconds, std::move(work));
}

// An application pasting meanwhile asks this process for the clipboard it owns: the wait answers
// it (the main context does not run here), or sleeps when no clipboard connection is open.
void serveClipboardFor(double seconds) {
  const double deadline = monotonicSeconds() + seconds;
  switch (wayland::pasteRoute()) {
    case wayland::PasteRoute::WaylandProtocols:
    case wayland::PasteRoute::PortalKeystroke:
      if (wayland::clipboard::serveUntil(deadline)) return;
      break;
    case wayland::PasteRoute::MutterRemoteDesktop:
      if (wayland::remote_desktop::serveUntil(deadline)) return;
      break;
    case wayland::PasteRoute::X11:
    case wayland::PasteRoute::None:
      if (x11::serveClipboardUntil(deadline)) return;
      break;
  }
  sleepSeconds(seconds);
}

}  // namespace

void dispatchAfterOnMainQueue(double seconds, std::function<void()> work) {
  // The default context is the main thread's; attaching to it is safe from any thread.
  attach(g_main_context_default(), seconds, std::move(work));
}

void scheduleTimerOnCurrentRunLoop(double seconds, std::function<void()> work) {
  scheduleOnThreadDefault(seconds, std::move(work));
}

TimerHandle scheduleCancellableTimer(double seconds, std::function<void()> work) {
  GRef<GSource> source = scheduleOnThreadDefault(seconds, std::move(work));
  // Destroying a source that has run, or is running, does nothing more.
  return TimerHandle([source = std::move(source)] { g_source_destroy(source.get()); });
}

double monotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void sleepUntilMonotonic(double deadline) {
  waitInSlicesUntil(deadline, monotonicSeconds, serveClipboardFor);
}

}  // namespace axb::platform
