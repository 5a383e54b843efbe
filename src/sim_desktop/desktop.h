// The simulated desktop: a deterministic stand-in for the operating system that the library's
// platform boundary talks to when it is built without the real platform.
//
// Time is virtual. The library's main thread is the thread that drives the desktop (a test body,
// or the scenario player); its run loop runs only inside run*() calls, which jump the clock to the
// next due item and never sleep. Other applications are other processes: their work (finishing a
// launch, handling a posted key, a scripted user action) sits on a separate world timeline that
// also advances while the main thread is blocked in a request or a sleep.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/object.h"
#include "platform/observer.h"
#include "platform/pasteboard.h"
#include "platform/workspace.h"
#include "sim_desktop/workspace_notification.h"

namespace axb::sim {

enum class RunLoopMode { Default, EventTracking, ModalPanel };

struct AppSpec {
  ProcessId pid = 0;
  std::optional<std::string> bundleId;
  std::optional<std::string> name;
  bool finishedLaunching = true;
  // How long it takes to come to the front when the library asks it to, and whether it refuses
  // (the system may refuse activation requested by a process in the background).
  double activationSeconds = 0.01;
  bool refusesActivation = false;
  // Whether it announces its focused element again (AXFocusedUIElementChanged) right after each
  // time it comes to the front, as toolkits that report a window becoming active do.
  bool announcesFocusOnActivation = false;
};

// How long a request waits for an application that does not answer: the platform's default, and
// the limit the library puts on the elements it obtains.
inline constexpr double kDefaultMessagingTimeout = 6.0;
inline constexpr double kLibraryMessagingTimeout = 2.0;

// How an element exposes text.
enum class TextKind {
  None,    // no text attributes at all
  Native,  // ranges: AXValue, AXSelectedText(Range), AXNumberOfCharacters, AXStringForRange,
           // AXBoundsForRange
  Web,     // as Native, plus text markers: AXSelectedTextMarkerRange,
           // AXBoundsForTextMarkerRange, AXStringForTextMarkerRange
  Markers  // AXSelectedText and the text-marker attributes only
};

// The one spelling of each kind, in scenarios and in the desktop's state: "none", "native",
// "web", "markers".
const char* textKindName(TextKind kind);
std::optional<TextKind> textKindNamed(std::string_view name);

struct ElementSpec {
  std::string id;                   // unique on the desktop
  std::optional<std::string> role;  // nothing: the element has no AXRole
  std::optional<std::string> subrole;
  std::optional<std::string> title;
  std::optional<std::string> window;  // id of the window element that contains it
  Rect frame;                         // screen points
  TextKind text = TextKind::None;
  std::string value;     // the text (UTF-8)
  Range selection;       // UTF-16 units
  bool editable = true;  // AXValue settable; typing and paste allowed
  // Selects its whole text each time it gains the focus, as single-line fields of some toolkits
  // do; the selection change follows the focus change.
  bool selectsAllOnFocus = false;
};

// Layout of simulated text: fixed advance per UTF-16 unit, lines broken at newlines, starting at
// the element frame's origin plus the inset.
inline constexpr double kCharAdvance = 7.0;
inline constexpr double kLineHeight = 16.0;
inline constexpr double kTextInset = 4.0;

// The simulated keyboard numbers keys, modifier flags, event sources and taps as macOS does.
inline constexpr std::uint16_t kKeyCodeCommand = 55;
inline constexpr std::uint16_t kKeyCodeV = 9;
inline constexpr std::uint64_t kCommandFlag = 0x100000;
inline constexpr int kHIDSystemState = 1;  // the state of an event source
inline constexpr int kHIDEventTap = 0;     // where an event is posted

// One keyboard event as posted by the library.
struct PostedKeyEvent {
  int sourceState = 0;
  std::uint16_t keyCode = 0;
  bool keyDown = false;
  std::uint64_t flags = 0;
  int tap = 0;
  double time = 0;
};

// One of the host's own windows.
struct HostWindowSpec {
  std::string id;             // unique among the host's windows
  Rect frame;                 // screen points; the content view fills it
  bool contentView = true;    // false: a window without a content view
  bool hostDelegate = false;  // the host has set a delegate of its own
};

// What a request to another application was about, for counting and for misbehaviour hooks.
struct RequestInfo {
  std::string operation;  // "copyAttributeValue", "copyParameterizedAttributeValue", ...
  std::string elementId;
  std::string attribute;
};

class ElementNode;
class ObserverNode;

class Desktop {
 public:
  // The process-wide desktop the platform boundary talks to.
  static Desktop& current();
  // Replaces it with a fresh, empty desktop at virtual time 0, whose main thread is not chosen.
  static void reset();

  // ---- The library's main thread: the first thread that starts the library on this desktop
  // (any thread may ask)
  void claimMainThread();
  // Also true before any claim: the library then has no state another thread could race with.
  bool isMainThread() const;

  // ---- Clock and main run loop
  double now() const;
  RunLoopMode currentMode() const;
  // Runs main-thread work in the mode until nothing runnable in it is left.
  void runUntilIdle(RunLoopMode mode = RunLoopMode::Default);
  // Runs everything due up to the time (world events included), then sets the clock to it.
  void runUntil(double time, RunLoopMode mode = RunLoopMode::Default);
  void runFor(double seconds, RunLoopMode mode = RunLoopMode::Default);
  // Whether any main-thread or world work is still scheduled.
  bool hasPendingWork() const;
  // Caps how many more items the run calls may run, nested calls and blocking waits included;
  // once the cap is spent they return without running anything. Nothing: no cap.
  void limitRunItems(std::optional<std::uint64_t> items);
  // Whether a run call found work it could not run because the cap was spent.
  bool runLimitReached() const;

  // ---- Primitives behind the platform boundary (main thread)
  void dispatchAfterOnMainQueue(double seconds, std::function<void()> work);
  // A timer in the default mode only; cancelling one that ran, or one of a desktop since reset,
  // does nothing.
  struct TimerId {
    std::uint64_t desktop = 0;
    std::int64_t due = 0;
    std::uint64_t sequence = 0;
  };
  TimerId scheduleTimer(double seconds, std::function<void()> work);
  void cancelTimer(const TimerId& timer);
  // Blocks the main thread: world events run, main-thread work does not.
  void blockMainThreadUntil(double time);
  // Schedules another process's work on the world timeline.
  void atWorldTime(double time, std::function<void()> work);

  // ---- Applications and the workspace
  void addApplication(const AppSpec& spec);
  // The application appears unfinished (every request answers -25204), becomes frontmost with an
  // activation notification, and finishes after launchSeconds with a launch notification. In the
  // background it does not come to the front at all.
  void launchApplication(const AppSpec& spec, double launchSeconds, bool inBackground = false);
  // The user brings the application to the front: frontmost changes now, the activation
  // notification reaches the run loop.
  void activate(ProcessId pid);
  void terminate(ProcessId pid);
  // The application in front right now.
  std::optional<ProcessId> frontmostPid() const;
  // The workspace's idea of it, which changes only when the main run loop turns.
  std::optional<ProcessId> workspaceFrontmostPid() const;
  void setHostProcess(ProcessId pid);  // the library's own process
  ProcessId hostProcess() const;
  // Delivers an arbitrary workspace notification, malformed ones included.
  void postWorkspaceNotification(const WorkspaceNotification& notification);
  // A workspace notification for an application (used by activate/launch/terminate).
  void postApplicationNotification(const char* name, ProcessId pid);
  std::optional<platform::RunningApplication> runningApplication(ProcessId pid) const;
  std::vector<ProcessId> applicationPids() const;

  // The application hangs: for hangSeconds, or until made responsive again when 0. Each request
  // to it waits for the element's messaging timeout or the rest of the hang, whichever is
  // shorter, then answers -25204; keystrokes for it wait until it answers again.
  void setResponsive(ProcessId pid, bool responsive, double hangSeconds = 0);
  bool isResponsive(ProcessId pid) const;

  // ---- Elements
  void addElement(ProcessId pid, const ElementSpec& spec);
  platform::Element element(const std::string& id) const;  // throws std::out_of_range if unknown
  platform::Element applicationElement(ProcessId pid) const;
  std::string elementId(const platform::Element& element) const;  // "" when not a sim element
  bool hasElement(const std::string& id) const;
  // The element stops existing: every request about it answers -25202. A focused element that
  // is destroyed leaves its application without a focused element.
  void destroyElement(const std::string& id);
  // How long requests about the element wait for a hung application (see kDefaultMessagingTimeout).
  double messagingTimeout(const std::string& id) const;

  // Fixed answers that take precedence over everything the element derives.
  void setAttribute(const std::string& id, const std::string& name, platform::Object value,
                    std::optional<bool> settable = std::nullopt);
  void setAttributeError(const std::string& id, const std::string& name,
                         platform::AXErrorCode code);
  void setSettable(const std::string& id, const std::string& name, bool settable);
  void setParameterizedAttribute(const std::string& id, const std::string& name,
                                 platform::Object value);
  void setParameterizedAttributeError(const std::string& id, const std::string& name,
                                      platform::AXErrorCode code);
  void clearOverrides(const std::string& id, const std::string& name);
  // Makes AXObserverAddNotification of that notification on the element fail with the code.
  void setNotificationError(const std::string& id, const std::string& notification,
                            platform::AXErrorCode code);

  // ---- The user at work (each posts the notifications a real application posts)
  void focus(const std::string& id);  // the element's application's focused element
  void clearFocus(ProcessId pid);
  void select(const std::string& id, Range selection);
  void type(const std::string& id, const std::string& text);  // replaces the selection
  void moveWindow(const std::string& windowId, Point origin);
  void resizeWindow(const std::string& windowId, Size size);
  // Any accessibility notification on any element.
  void postNotification(const std::string& id, const std::string& notification);

  // Text state of an element.
  std::string text(const std::string& id) const;
  Range selection(const std::string& id) const;
  Rect frame(const std::string& id) const;

  // ---- The host's windows and the pointer
  // Returns the window's handle: the pointer the host passes to addMouseTracker.
  void* addHostWindow(const HostWindowSpec& spec);
  void* hostWindowHandle(const std::string& id) const;  // throws std::out_of_range if unknown
  // The window closes: its close subscriptions hear it, its handle stops being a window.
  void closeHostWindow(const std::string& id);
  void setHostWindowFrame(const std::string& id, Rect frame);
  std::size_t trackingAreaCount(const std::string& id) const;
  // The pointer moves; tracking areas it enters or leaves report it on the main thread.
  void movePointer(Point location);
  // A mouse-down at the pointer, in a host window or in another application.
  void mouseDown();

  // ---- Pasteboard and keyboard
  std::int64_t pasteboardChangeCount() const;
  std::vector<platform::PasteboardItem> pasteboardItems() const;
  // Another application writes (everywhere).
  std::int64_t replacePasteboard(std::vector<platform::PasteboardItem> items);
  // Whether the latest write was for this device only.
  bool pasteboardThisDeviceOnly() const;
  // The system's privacy setting for programmatic reads: Allowed, Refused (known in advance, and
  // every read gives nothing), or Unanswered (reads give nothing, as when the user declines the
  // system's alert or every owner fails to provide its data).
  enum class PasteboardReads { Allowed, Refused, Unanswered };
  void setPasteboardReads(PasteboardReads reads);
  // Runs after each read of the pasteboard's data has taken the items, as a copy made during
  // the read would.
  void setPasteboardReadHook(std::function<void()> hook);
  // Makes the library's next writes fail (the pasteboard refuses the items). As on macOS, a
  // refused write has cleared the pasteboard before it fails.
  void refuseNextPasteboardWrites(int count);
  // The platform boundary's read and write.
  platform::PasteboardContents readPasteboard();
  bool pasteboardReadsRefused() const;
  std::optional<std::int64_t> writePasteboard(std::vector<platform::PasteboardItem> items,
                                              platform::PasteboardReach reach);
  // The user copies plain text in some application.
  void userCopies(const std::string& text);
  const std::vector<PostedKeyEvent>& postedKeyEvents() const;
  // Posts a keyboard event at the desktop's current time (the keyboard boundary's paste).
  void recordKeyEvent(PostedKeyEvent event);

  // ---- Trust
  void setTrusted(bool trusted);
  bool trusted() const;
  int promptCount() const;
  void notePrompt();

  // ---- Observers (used by the platform boundary)
  std::shared_ptr<ObserverNode> createObserver(ProcessId pid, platform::ObserverCallback callback);
  // Live (element, notification) registrations over all observers that still exist.
  std::size_t liveRegistrationCount() const;
  std::size_t liveObserverCount() const;

  // ---- Requests
  // Every request to another application passes here: it is counted, the hook runs, and the
  // answer is the error code the request must fail with (kSuccess to go on).
  platform::AXErrorCode beginRequest(const RequestInfo& info, ProcessId target);
  std::uint64_t requestCount() const;
  void resetRequestCount();
  // Runs at the start of every request; tests use it to misbehave (destroy, change, delay).
  void setRequestHook(std::function<void(const RequestInfo&)> hook);

  // ---- Diagnostics the library wrote
  void writeDiagnosticLine(std::string_view line);
  const std::vector<std::string>& diagnosticLines() const;
  void clearDiagnosticLines();
  void setEchoDiagnostics(bool echo);  // also print them on standard output
  // Also hands each line to the sink as it is written (nothing: no sink).
  void setDiagnosticSink(std::function<void(std::string_view)> sink);

  // The whole desktop as JSON text (applications, frontmost, elements with attributes,
  // pasteboard, posted keys).
  std::string stateJson() const;

  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  struct State;
  State& state() { return *state_; }

 private:
  Desktop();
  std::unique_ptr<State> state_;
  std::atomic<std::thread::id> mainThread_{};  // outside the state: read from any thread
};

}  // namespace axb::sim
