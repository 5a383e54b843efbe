// What the end-to-end tests need around the library: the host's main context turned until
// something happens (with a deadline, never a fixed wait), the events the host callback
// received, the test applications as child processes, and input typed with xdotool.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace axb::e2e {

using Json = nlohmann::json;

struct HostEvent {
  std::string name;
  Json payload;
};

// One turn of the main context, waiting at most 10 ms for something to happen.
void turnOnce();
// The steady clock, in seconds.
double monotonicSeconds();

// Every event the library sent to the host callback (recordEvent), oldest first.
std::vector<HostEvent>& receivedEvents();
void recordEvent(const char* name, const char* json);

// Turns the main context until the condition holds or the deadline passes; whether it held.
bool pumpUntil(const std::function<bool()>& condition, double seconds = 5.0);
// Turns the main context for the given time, for checking that something does not happen.
void pumpFor(double seconds);

// The first event of that name received from index `from` on that satisfies the check.
std::optional<HostEvent> waitForEvent(const std::string& name, std::size_t from,
                                      const std::function<bool(const Json&)>& check = {},
                                      double seconds = 5.0);

// Runs xdotool with the arguments, bounded by a timeout; whether it succeeded.
bool xdotool(const std::vector<std::string>& arguments);
// Runs a command and answers its standard output; nothing when it failed.
std::optional<std::string> run(const std::vector<std::string>& arguments);
// The process whose window is in front, as the display (or sway) says.
std::optional<pid_t> frontPid();
bool windowManagerRuns();

// Whether the suite runs in a sway session (scripts/headless-sway.sh): windows are then found,
// switched and placed through sway's IPC, for native and XWayland applications alike.
bool swayRuns();
// The sway tree's node of the process's window ("pid", "app_id", "rect", "focused", ...).
std::optional<Json> swayWindowOf(pid_t pid);
// Where sway placed the top-left corner of the process's surface (what a native application's
// window-relative rectangles are relative to).
std::optional<std::pair<double, double>> swaySurfaceOrigin(pid_t pid);

// A child process whose standard input takes commands and whose standard output answers with
// one JSON line each. Killed and reaped on destruction.
class ChildApp {
 public:
  ChildApp(const std::vector<std::string>& argv);
  ~ChildApp();
  ChildApp(const ChildApp&) = delete;
  ChildApp& operator=(const ChildApp&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // Sends one command line and waits for its answer.
  std::optional<Json> ask(const std::string& command, double seconds = 5.0);
  // Waits for the next line the process prints on its own.
  std::optional<Json> nextLine(double seconds = 5.0);
  bool waitForExit(double seconds = 5.0);

 private:
  bool readAvailable();
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffer_;
  bool exited_ = false;
};

// The GTK test application (tests/linux/text_app.py), started and shown, in the accessibility
// tree and in front.
struct TextAppOptions {
  std::string title = "Text app";
  std::string appId;  // a GtkApplication identifier; empty for a plain program
  std::string prgname = "axbridge-text-app";
  std::string entryText;
  std::string viewText;
  std::string labelText = "A label";
  std::vector<std::string> extraArguments;  // more options of the test application
  std::vector<std::string> environment;     // NAME=value pairs it starts with
};

// Starts it and waits until it is ready and in the accessibility tree.
std::unique_ptr<ChildApp> startTextApp(const TextAppOptions& options);
bool waitForAccessibilityTree(pid_t pid, double seconds = 10.0);
// Brings the process's window to the front with the tools a user's desktop would use (the window
// manager's activation, else the input focus; sway's focus command in a sway session) and waits
// until the display says so.
bool bringToFront(pid_t pid);

// Brings the application forward and waits until the host has heard of it since the event at
// `since` (from before it started: a new window may come forward by itself): an event that names
// it (its switch, or its first focus, which may reach the host in the switch's place) or a caret
// (which names nobody). Whatever the switch set off is delivered before it returns.
bool switchTo(pid_t pid, const std::string& name, std::size_t since, double seconds = 15.0);

// Takes over this process's standard output, where the library writes its diagnostic lines,
// until destroyed; what was written meanwhile can be read at any time.
class StandardOutputCapture {
 public:
  StandardOutputCapture();
  ~StandardOutputCapture();
  StandardOutputCapture(const StandardOutputCapture&) = delete;
  StandardOutputCapture& operator=(const StandardOutputCapture&) = delete;

  const std::string& text();

 private:
  int saved_ = -1;
  int read_ = -1;
  std::string text_;
};

// The accessibility bus's IsEnabled, read with gdbus.
std::optional<bool> accessibilityBusEnabled();

}  // namespace axb::e2e
