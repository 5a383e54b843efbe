// What every binding of the platform boundary must do, checked alike against the simulated
// desktop and a real one: values, the main run loop, the pasteboard and observers. Each binding's
// suite defines makeContractDesktop() for the desktop it runs on.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/accessibility.h"
#include "platform/object.h"
#include "platform/vocabulary.h"

namespace axb::contract {

using platform::Element;

// The desktop the checks act on, as a user would.
class ContractDesktop {
 public:
  virtual ~ContractDesktop() = default;
  // Starts an application with a single-line and a multi-line text field, each holding some
  // words, and brings it to the front; answers its process.
  virtual ProcessId startEditor() = 0;
  // Brings the application to the front and gives one of its fields the keyboard focus: 0, the
  // single-line field; 1, the multi-line one.
  virtual void focusField(ProcessId pid, int field) = 0;
  // Selects characters [start, end) of the focused field.
  virtual void selectInFocusedField(ProcessId pid, int start, int end) = 0;
  // Turns the main run loop until the condition holds or the seconds have passed (on the
  // desktop's own clock); whether it held.
  virtual bool runUntil(const std::function<bool()>& condition, double seconds) = 0;
  // Why this process cannot drive the desktop's applications; empty when it can.
  virtual std::string whyNoApplications() { return {}; }
  // The pasteboard type of PNG images on this desktop.
  virtual std::string imageType() { return "image/png"; }
};

std::unique_ptr<ContractDesktop> makeContractDesktop();

class BindingContract : public ::testing::Test {
 protected:
  void SetUp() override { desktop_ = makeContractDesktop(); }
  ContractDesktop& desktop() { return *desktop_; }

  // Focuses the field and answers it once the application names it as its focused element.
  std::optional<Element> focusedField(ProcessId pid, int field) {
    desktop().focusField(pid, field);
    const std::string_view role =
        field == 0 ? platform::roles::kTextField : platform::roles::kTextArea;
    std::optional<Element> found;
    const bool named = desktop().runUntil(
        [&] {
          const auto application = platform::createApplicationElement(pid);
          const auto focused =
              platform::copyAttributeValue(application, platform::attributes::kFocusedUIElement);
          found = Element::from(focused.value);
          if (!found) return false;
          const auto answer = platform::copyAttributeValue(*found, platform::attributes::kRole);
          return answer.value.string() == role;
        },
        10.0);
    return named ? found : std::nullopt;
  }

 private:
  std::unique_ptr<ContractDesktop> desktop_;
};

// What needs an application: skipped where the process cannot drive one.
class ApplicationContract : public BindingContract {
 protected:
  void SetUp() override {
    BindingContract::SetUp();
    if (const auto why = desktop().whyNoApplications(); !why.empty()) GTEST_SKIP() << why;
  }
};

}  // namespace axb::contract
