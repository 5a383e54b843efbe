// Reading another application's elements, and the binding contract's editor (contract_editor.mm)
// as the other application in tests that need a real one: started, in front, its text area
// focused, stopped again afterwards, the user's pasteboard given back. Without the accessibility
// permission the tests skip.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "contract/contract_desktop.h"
#include "platform/accessibility.h"

namespace axb::testing {

inline constexpr const char* kNeedsPermission =
    "needs the accessibility permission for the process that runs the tests (System Settings > "
    "Privacy & Security > Accessibility)";

inline std::optional<std::string> stringAttribute(const platform::Element& element,
                                                  const char* name) {
  const platform::CopyResult result = platform::copyAttributeValue(element, name);
  if (result.error != platform::axerr::kSuccess) return std::nullopt;
  return result.value.string();
}

inline std::vector<platform::Element> elementsAttribute(const platform::Element& element,
                                                        const char* name) {
  std::vector<platform::Element> elements;
  const platform::CopyResult result = platform::copyAttributeValue(element, name);
  if (result.error != platform::axerr::kSuccess) return elements;
  for (const platform::Object& item :
       result.value.array().value_or(std::vector<platform::Object>{})) {
    if (auto child = platform::Element::from(item)) elements.push_back(*child);
  }
  return elements;
}

// The first element under the application's windows that matches.
inline std::optional<platform::Element> findElement(
    const platform::Element& application,
    const std::function<bool(const platform::Element&)>& matches) {
  std::deque<platform::Element> queue;
  for (const platform::Element& window : elementsAttribute(application, "AXWindows")) {
    queue.push_back(window);
  }
  for (int visited = 0; !queue.empty() && visited < 2000; ++visited) {
    const platform::Element element = queue.front();
    queue.pop_front();
    if (matches(element)) return element;
    for (const platform::Element& child : elementsAttribute(element, "AXChildren")) {
      queue.push_back(child);
    }
  }
  return std::nullopt;
}

class EditorTest : public contract::ApplicationContract {
 protected:
  // UTF-16 units 5 to 10 of the text area's text are "words".
  static constexpr const char* kText = "more words \xF0\x9F\x98\x80\non two lines";

  void SetUp() override {
    ApplicationContract::SetUp();
    if (IsSkipped()) return;
    pid_ = desktop().startEditor();
    ASSERT_GT(pid_, 0) << "the editor did not start";
    area_ = focusedField(pid_, 1);
    ASSERT_TRUE(area_) << "the editor's text area never had the focus";
    application_ = platform::createApplicationElement(pid_);
  }

  ProcessId pid_ = -1;
  std::optional<platform::Element> application_;
  std::optional<platform::Element> area_;
};

}  // namespace axb::testing
