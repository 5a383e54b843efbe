// The binding contract on a real X11 desktop, with the GTK test application as the editor.
#include "contract/contract_desktop.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "e2e/desktop_session.h"

namespace axb::contract {
namespace {

class LinuxContractDesktop : public ContractDesktop {
 public:
  ProcessId startEditor() override {
    e2e::TextAppOptions options;
    options.title = "Contract editor " + std::to_string(apps_.size());
    options.entryText = "some words";
    options.viewText = "more words\non two lines";
    auto app = e2e::startTextApp(options);
    if (!app) return -1;
    const ProcessId pid = app->pid();
    apps_[pid] = {std::move(app), "entry"};
    activate(pid);
    return pid;
  }

  void focusField(ProcessId pid, int field) override {
    auto& editor = apps_.at(pid);
    editor.focused = field == 0 ? "entry" : "view";
    // GTK announces a focus change only in the active window, and repeats the focus as a window
    // becomes active, which the binding takes for no change: a user's click comes later.
    if (!isActive(editor)) activate(pid);
    editor.app->ask("focus " + editor.focused);
  }

  void selectInFocusedField(ProcessId pid, int start, int end) override {
    auto& editor = apps_.at(pid);
    editor.app->ask("select " + editor.focused + " " + std::to_string(start) + " " +
                    std::to_string(end));
  }

  bool runUntil(const std::function<bool()>& condition, double seconds) override {
    return e2e::pumpUntil(condition, seconds);
  }

 private:
  struct Editor {
    std::unique_ptr<e2e::ChildApp> app;
    std::string focused;
  };
  void activate(ProcessId pid) {
    e2e::bringToFront(pid);
    e2e::pumpUntil([&] { return isActive(apps_.at(pid)); }, 10.0);
    e2e::pumpFor(0.3);
  }
  static bool isActive(Editor& editor) {
    const auto state = editor.app->ask("state");
    return state && state->value("active", false);
  }
  std::map<ProcessId, Editor> apps_;
};

}  // namespace

std::unique_ptr<ContractDesktop> makeContractDesktop() {
  return std::make_unique<LinuxContractDesktop>();
}

}  // namespace axb::contract
