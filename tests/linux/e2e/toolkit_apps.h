// Applications of other toolkits on the test desktop: the GTK 4 and Qt 5 test applications
// (tests/linux/gtk4_app.py, qt5_app.py, which answer commands as the GTK3 one does), Chromium and
// Firefox on tests/linux/page.html, and LibreOffice Writer on tests/linux/document.fodt. Each
// runs with a profile of its own, removed when it ends.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "e2e/desktop_session.h"

namespace axb::e2e {

enum class Toolkit { Gtk4, Qt5, Chromium, Firefox, Writer };

// The texts the application starts with: the test applications' line edit and the page's input.
struct ToolkitTexts {
  std::string entry;
  std::string view;  // the test applications' multi-line editor and the page's textarea
};

class ToolkitApp {
 public:
  // Starts it and waits until its window is shown and its process is in the accessibility tree;
  // nothing when that does not happen within a generous deadline.
  static std::unique_ptr<ToolkitApp> start(Toolkit toolkit, const ToolkitTexts& texts);
  ~ToolkitApp();
  ToolkitApp(const ToolkitApp&) = delete;
  ToolkitApp& operator=(const ToolkitApp&) = delete;

  // The process that owns the window and answers in the accessibility tree (for the word
  // processor not the one started: its launcher starts it).
  pid_t pid() const { return owner_; }
  // The test applications' command channel.
  ChildApp& process() { return *process_; }

 private:
  ToolkitApp() = default;
  bool alive();

  std::unique_ptr<ChildApp> process_;
  pid_t owner_ = -1;
  std::string profile_;
};

}  // namespace axb::e2e
