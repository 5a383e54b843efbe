// TextEdit as the other application in tests that need a real one: a document opened through
// Launch Services, its text area found through the accessibility interface, TextEdit quit again
// afterwards unless it was running before. Without the accessibility permission the tests skip.
#pragma once

#import <AppKit/AppKit.h>
#include <ApplicationServices/ApplicationServices.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mac/run_loop_support.h"
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

// The first text area whose text is the expected one.
inline std::optional<platform::Element> findTextArea(const platform::Element& application,
                                                     const std::string& text) {
  return findElement(application, [&](const platform::Element& element) {
    return stringAttribute(element, "AXRole") == "AXTextArea" &&
           stringAttribute(element, "AXValue") == text;
  });
}

class TextEditTest : public ::testing::Test {
 protected:
  static constexpr const char* kText = "axbridge binding test \xF0\x9F\x98\x80";

  void SetUp() override {
    if (!AXIsProcessTrusted()) GTEST_SKIP() << kNeedsPermission;
    NSString* bundle = @"com.apple.TextEdit";
    wasRunning_ = [NSRunningApplication runningApplicationsWithBundleIdentifier:bundle].count > 0;
    NSURL* textEdit = [[NSWorkspace sharedWorkspace] URLForApplicationWithBundleIdentifier:bundle];
    if (!textEdit) GTEST_SKIP() << "TextEdit is not installed";

    NSString* path = [NSTemporaryDirectory()
        stringByAppendingPathComponent:[NSString stringWithFormat:@"axbridge-%d.txt", getpid()]];
    file_ = [NSURL fileURLWithPath:path];
    ASSERT_TRUE([@(kText) writeToURL:file_ atomically:YES encoding:NSUTF8StringEncoding error:nil]);

    // Opened through Launch Services, which also brings TextEdit to the front.
    auto launched = std::make_shared<NSRunningApplication*>(nil);
    [[NSWorkspace sharedWorkspace] openURLs:@[ file_ ]
                       withApplicationAtURL:textEdit
                              configuration:[NSWorkspaceOpenConfiguration configuration]
                          completionHandler:^(NSRunningApplication* app, NSError*) {
                            dispatch_async(dispatch_get_main_queue(), ^{
                              *launched = app;
                            });
                          }];
    ASSERT_TRUE(runLoopUntil([&] { return *launched != nil; }, 20)) << "TextEdit did not open";
    app_ = *launched;
    application_ = platform::createApplicationElement(app_.processIdentifier);
    ASSERT_TRUE(
        runLoopUntil([&] { return (area_ = findTextArea(*application_, kText)).has_value(); }, 20))
        << "no text area with the file's text";
  }

  void TearDown() override {
    if (app_ && !wasRunning_) [app_ forceTerminate];
    if (file_) [[NSFileManager defaultManager] removeItemAtURL:file_ error:nil];
  }

  bool wasRunning_ = false;
  NSURL* file_ = nil;
  NSRunningApplication* app_ = nil;
  std::optional<platform::Element> application_;
  std::optional<platform::Element> area_;
};

}  // namespace axb::testing
