// The binding contract on macOS, with contract_editor.mm as the editor. Driving it takes the
// accessibility permission: without it, what needs an application skips itself. The user's
// pasteboard is given back at the end.
#include "contract/contract_desktop.h"

#import <AppKit/AppKit.h>
#include <ApplicationServices/ApplicationServices.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mac/editor.h"
#include "mac/run_loop_support.h"
#include "platform/pasteboard.h"

namespace axb::contract {
namespace {

using platform::Object;

class MacContractDesktop : public ContractDesktop {
 public:
  MacContractDesktop() : saved_(platform::pasteboardItems()) {}
  ~MacContractDesktop() override {
    for (NSTask* editor : editors_) [editor terminate];
    platform::pasteboardReplace(saved_);
  }

  std::string whyNoApplications() override {
    return AXIsProcessTrusted() ? "" : testing::kNeedsPermission;
  }
  std::string imageType() override { return "public.png"; }

  ProcessId startEditor() override {
    NSString* folder = [NSBundle mainBundle].executablePath.stringByDeletingLastPathComponent;
    NSURL* editor = [NSURL
        fileURLWithPath:[folder stringByAppendingPathComponent:@"axbridge_mac_contract_editor"]];
    NSTask* task = [NSTask launchedTaskWithExecutableURL:editor
                                               arguments:@[]
                                                   error:nil
                                      terminationHandler:nil];
    if (!task) return -1;
    editors_.push_back(task);
    const ProcessId pid = task.processIdentifier;
    testing::runLoopUntil([&] { return field(pid, 1).has_value(); }, 20);
    focusField(pid, 0);
    return pid;
  }

  // As an assistive application would: the application activated, the field given the focus.
  void focusField(ProcessId pid, int which) override {
    [[NSRunningApplication runningApplicationWithProcessIdentifier:pid]
        activateWithOptions:NSApplicationActivateIgnoringOtherApps];
    if (const auto element = field(pid, which)) {
      platform::setAttributeValue(*element, "AXFocused", Object::makeBoolean(true));
    }
  }

  void selectInFocusedField(ProcessId pid, int start, int end) override {
    const auto focused = platform::copyAttributeValue(platform::createApplicationElement(pid),
                                                      platform::attributes::kFocusedUIElement);
    if (const auto element = Element::from(focused.value)) {
      platform::setAttributeValue(*element, "AXSelectedTextRange",
                                  Object::makeRange({start, end - start}));
    }
  }

  bool runUntil(const std::function<bool()>& condition, double seconds) override {
    return testing::runLoopUntil(condition, seconds);
  }

 private:
  // The editor's text field (0) or text area (1).
  static std::optional<Element> field(ProcessId pid, int which) {
    const char* role = which == 0 ? platform::roles::kTextField : platform::roles::kTextArea;
    return testing::findElement(platform::createApplicationElement(pid), [&](const Element& e) {
      return testing::stringAttribute(e, "AXRole") == role;
    });
  }

  std::vector<platform::PasteboardItem> saved_;
  std::vector<NSTask*> editors_;
};

}  // namespace

std::unique_ptr<ContractDesktop> makeContractDesktop() {
  return std::make_unique<MacContractDesktop>();
}

}  // namespace axb::contract
