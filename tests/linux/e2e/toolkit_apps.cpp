#include "e2e/toolkit_apps.h"

#include <glib.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/linux/glib/g_ref.h"

namespace axb::e2e {
namespace {

// Browsers and the word processor take seconds on a loaded machine (the word processor about
// six to its accessibility tree when idle).
constexpr double kStartDeadline = 45.0;

std::string percentEncoded(const std::string& text) {
  const platform::GText encoded(g_uri_escape_string(text.c_str(), nullptr, FALSE));
  return encoded.get();
}

// Runs the command with its output discarded (browsers write a lot, and a full pipe would stop
// them) and the environment variables given; `exec` keeps the process id.
std::vector<std::string> quiet(const std::vector<std::string>& environment,
                               const std::vector<std::string>& command) {
  std::vector<std::string> argv{"sh", "-c", "exec \"$@\" >/dev/null 2>&1", "sh", "env"};
  argv.insert(argv.end(), environment.begin(), environment.end());
  argv.insert(argv.end(), command.begin(), command.end());
  return argv;
}

std::vector<std::string> commandFor(Toolkit toolkit, const ToolkitTexts& texts,
                                    const std::string& profile) {
  const std::string page =
      "file://" AXBRIDGE_SOURCE_DIR "/tests/linux/page.html?input=" + percentEncoded(texts.entry) +
      "&textarea=" + percentEncoded(texts.view);
  // A runtime directory of its own on X11; in a Wayland session the compositor's socket is in
  // the session's, and Qt is asked for its Wayland platform (else it would take XWayland).
  const std::string runtime = swayRuns() ? "QT_QPA_PLATFORM=wayland" : "XDG_RUNTIME_DIR=" + profile;
  switch (toolkit) {
    case Toolkit::Gtk4:
    case Toolkit::Qt5: {
      const bool gtk = toolkit == Toolkit::Gtk4;
      const std::string app = gtk ? "gtk4_app.py" : "qt5_app.py";
      return {"env",
              gtk ? "GSK_RENDERER=cairo" : "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1",
              runtime,
              "/usr/bin/python3",
              AXBRIDGE_SOURCE_DIR "/tests/linux/" + app,
              "--entry-text",
              texts.entry,
              "--view-text",
              texts.view};
    }
    case Toolkit::Chromium: {
      std::vector<std::string> command{"chromium",
                                       "--force-renderer-accessibility",
                                       "--disable-gpu",
                                       "--disable-quic",
                                       "--no-first-run",
                                       "--disable-background-networking",
                                       "--disable-component-update",
                                       "--disable-sync",
                                       "--user-data-dir=" + profile};
      // Its sandbox refuses to run as root.
      if (::geteuid() == 0) command.push_back("--no-sandbox");
      command.push_back(page);
      return quiet({runtime}, command);
    }
    case Toolkit::Firefox:
      return quiet({runtime},
                   {"firefox-esr", "--no-remote", "--new-instance", "--profile", profile, page});
    case Toolkit::Writer: {
      // A copy, so that its lock file and any save stay out of the source tree.
      const std::string document = profile + "/document.fodt";
      std::filesystem::copy_file(AXBRIDGE_SOURCE_DIR "/tests/linux/document.fodt", document);
      return quiet({runtime, "SAL_USE_VCLPLUGIN=gtk3"},
                   {"soffice", "--nologo", "--norestore", "-env:UserInstallation=file://" + profile,
                    "--writer", document});
    }
  }
  return {};
}

// The word processor's launcher starts another process, found by the class of its window; the
// others own their windows themselves.
std::optional<pid_t> windowOwner(Toolkit toolkit, pid_t started) {
  if (swayRuns() && toolkit != Toolkit::Writer) {
    if (!swayWindowOf(started)) return std::nullopt;
    return started;
  }
  std::vector<std::string> search{"timeout", "5", "xdotool", "search", "--onlyvisible"};
  const bool byClass = toolkit == Toolkit::Writer;
  if (byClass) {
    search.insert(search.end(), {"--class", "libreoffice-writer", "getwindowpid"});
  } else {
    search.insert(search.end(), {"--pid", std::to_string(started)});
  }
  const auto text = run(search);
  if (!text || text->empty()) return std::nullopt;
  return byClass ? static_cast<pid_t>(std::atoi(text->c_str())) : started;
}

}  // namespace

std::unique_ptr<ToolkitApp> ToolkitApp::start(Toolkit toolkit, const ToolkitTexts& texts) {
  std::unique_ptr<ToolkitApp> app(new ToolkitApp);
  const platform::GText profile(g_dir_make_tmp("axbridge-toolkit-XXXXXX", nullptr));
  if (!profile) return nullptr;
  app->profile_ = profile.get();
  app->process_ = std::make_unique<ChildApp>(commandFor(toolkit, texts, app->profile_));
  if (!app->process_->running()) return nullptr;
  if (toolkit == Toolkit::Gtk4 || toolkit == Toolkit::Qt5) {
    const auto ready = app->process_->nextLine(kStartDeadline);
    if (!ready || !ready->is_object() || !ready->value("ready", false)) return nullptr;
  }
  std::optional<pid_t> owner;
  if (!pumpUntil([&] { return (owner = windowOwner(toolkit, app->process_->pid())).has_value(); },
                 kStartDeadline)) {
    return nullptr;
  }
  app->owner_ = *owner;
  if (!waitForAccessibilityTree(app->owner_, kStartDeadline)) return nullptr;
  if (toolkit == Toolkit::Chromium || toolkit == Toolkit::Firefox) {
    // Its page loaded (the page then names the window), as it is before a user types in it.
    const std::vector<std::string> page{
        "search", "--onlyvisible", "--pid", std::to_string(app->owner_), "--name", "axbridge page"};
    if (!pumpUntil([&] { return xdotool(page); }, kStartDeadline)) return nullptr;
  }
  return app;
}

bool ToolkitApp::alive() {
  if (owner_ <= 0) return false;
  // The started process is this one's child: reaped, not merely signalled.
  if (process_ && owner_ == process_->pid()) return process_->running();
  return ::kill(owner_, 0) == 0;
}

ToolkitApp::~ToolkitApp() {
  // Asked to end first: browsers then take their helper processes with them.
  if (alive()) {
    ::kill(owner_, SIGTERM);
    if (!pumpUntil([&] { return !alive(); }, 5.0)) ::kill(owner_, SIGKILL);
  }
  process_.reset();
  std::error_code ignored;
  if (!profile_.empty()) std::filesystem::remove_all(profile_, ignored);
}

}  // namespace axb::e2e
