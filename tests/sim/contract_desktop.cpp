// The binding contract on the simulated desktop, on its virtual clock.
#include "contract/contract_desktop.h"

#include <functional>
#include <memory>
#include <string>

#include "sim_desktop/desktop.h"

namespace axb::contract {
namespace {

using sim::Desktop;

class SimContractDesktop : public ContractDesktop {
 public:
  SimContractDesktop() {
    Desktop::reset();
    desktop().setEchoDiagnostics(false);
  }
  ~SimContractDesktop() override { Desktop::reset(); }

  ProcessId startEditor() override {
    const ProcessId pid = nextPid_++;
    const std::string window = "win" + std::to_string(pid);
    desktop().addApplication({pid, "com.example.editor" + std::to_string(pid), "Editor"});
    desktop().addElement(pid, {.id = window, .role = "AXWindow", .frame = {100, 200, 400, 300}});
    for (int field : {0, 1}) {
      desktop().addElement(pid, {.id = fieldId(pid, field),
                                 .role = field == 0 ? "AXTextField" : "AXTextArea",
                                 .window = window,
                                 .frame = {110, 210.0 + 40 * field, 300, 20},
                                 .text = sim::TextKind::Native,
                                 .value = "some words\non two lines"});
    }
    focusField(pid, 0);
    return pid;
  }

  void focusField(ProcessId pid, int field) override {
    desktop().activate(pid);
    desktop().focus(fieldId(pid, field));
    focused_ = fieldId(pid, field);
  }

  void selectInFocusedField(ProcessId, int start, int end) override {
    desktop().select(focused_, {start, end - start});
  }

  bool runUntil(const std::function<bool()>& condition, double seconds) override {
    const double deadline = desktop().now() + seconds;
    while (!condition()) {
      if (desktop().now() >= deadline) return false;
      desktop().runFor(0.005);
    }
    return true;
  }

 private:
  static Desktop& desktop() { return Desktop::current(); }
  static std::string fieldId(ProcessId pid, int field) {
    return (field == 0 ? "single" : "multi") + std::to_string(pid);
  }
  ProcessId nextPid_ = 100;
  std::string focused_;
};

}  // namespace

std::unique_ptr<ContractDesktop> makeContractDesktop() {
  return std::make_unique<SimContractDesktop>();
}

}  // namespace axb::contract
