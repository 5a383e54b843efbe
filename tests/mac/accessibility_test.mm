// Requests through the accessibility interface and observers. What needs the accessibility
// permission runs against TextEdit, and only when this process holds the permission.
#include "platform/accessibility.h"

#import <AppKit/AppKit.h>
#include <ApplicationServices/ApplicationServices.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "mac/run_loop_support.h"
#include "platform/observer.h"

namespace axb::platform {
namespace {

using testing::runLoopUntil;
using testing::unusedProcessId;

void ignore(const Element&, std::string_view, void*) {}

TEST(AccessibilityTest, TrustCheckWithoutPromptAgreesWithThePlatform) {
  EXPECT_EQ(isProcessTrusted(false), static_cast<bool>(AXIsProcessTrusted()));
}

TEST(AccessibilityTest, ApplicationElementsExistForAnyProcessIdentifier) {
  EXPECT_EQ(elementProcessId(createApplicationElement(getpid())), getpid());
  const ProcessId ghost = unusedProcessId();
  const Element element = createApplicationElement(ghost);
  EXPECT_EQ(elementProcessId(element), ghost);
  // Requests to it fail (not trusted: -25211; trusted: the process is not there).
  const CopyResult role = copyAttributeValue(element, "AXRole");
  EXPECT_NE(role.error, axerr::kSuccess);
  EXPECT_FALSE(role.value);
}

TEST(AccessibilityTest, MissingParametersAndValuesAreRefusedBeforeAnyRequest) {
  const Element application = createApplicationElement(unusedProcessId());
  const CopyResult bounds =
      copyParameterizedAttributeValue(application, "AXBoundsForRange", Object());
  EXPECT_EQ(bounds.error, axerr::kIllegalArgument);
  EXPECT_FALSE(bounds.value);
  EXPECT_EQ(setAttributeValue(application, "AXValue", Object()), axerr::kIllegalArgument);
}

TEST(ObserverTest, ObserversAreMadeOnlyWithACallbackAndTearDownCleanly) {
  EXPECT_EQ(Observer::create(getpid(), nullptr), nullptr);
  auto observer = Observer::create(getpid(), &ignore);
  ASSERT_TRUE(observer);
  observer->addSourceToCurrentRunLoop();
  observer->addSourceToCurrentRunLoop();
  observer.reset();
  // The release is completed on the main queue.
  testing::runLoopFor(kCFRunLoopDefaultMode, 0.05);
}

// ---- With the accessibility permission, against a real application.

std::optional<std::string> stringAttribute(const Element& element, const char* name) {
  const CopyResult result = copyAttributeValue(element, name);
  if (result.error != axerr::kSuccess) return std::nullopt;
  return result.value.string();
}

std::vector<Element> elementsAttribute(const Element& element, const char* name) {
  std::vector<Element> elements;
  const CopyResult result = copyAttributeValue(element, name);
  if (result.error != axerr::kSuccess) return elements;
  for (const Object& item : result.value.array().value_or(std::vector<Object>{})) {
    if (auto child = Element::from(item)) elements.push_back(*child);
  }
  return elements;
}

// The first text area under the application's windows whose text is the expected one.
std::optional<Element> findTextArea(const Element& application, const std::string& text) {
  std::deque<Element> queue;
  for (const Element& window : elementsAttribute(application, "AXWindows")) {
    queue.push_back(window);
  }
  for (int visited = 0; !queue.empty() && visited < 2000; ++visited) {
    const Element element = queue.front();
    queue.pop_front();
    if (stringAttribute(element, "AXRole") == "AXTextArea" &&
        stringAttribute(element, "AXValue") == text) {
      return element;
    }
    for (const Element& child : elementsAttribute(element, "AXChildren")) {
      queue.push_back(child);
    }
  }
  return std::nullopt;
}

class TextEditTest : public ::testing::Test {
 protected:
  static constexpr const char* kText = "axbridge binding test \xF0\x9F\x98\x80";

  void SetUp() override {
    if (!AXIsProcessTrusted()) GTEST_SKIP() << "needs accessibility permission";
    NSString* bundle = @"com.apple.TextEdit";
    wasRunning_ = [NSRunningApplication runningApplicationsWithBundleIdentifier:bundle].count > 0;
    NSURL* textEdit = [[NSWorkspace sharedWorkspace] URLForApplicationWithBundleIdentifier:bundle];
    if (!textEdit) GTEST_SKIP() << "TextEdit is not installed";

    NSString* path = [NSTemporaryDirectory()
        stringByAppendingPathComponent:[NSString stringWithFormat:@"axbridge-%d.txt", getpid()]];
    file_ = [NSURL fileURLWithPath:path];
    ASSERT_TRUE([@(kText) writeToURL:file_ atomically:YES encoding:NSUTF8StringEncoding error:nil]);

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
    application_ = createApplicationElement(app_.processIdentifier);
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
  std::optional<Element> application_;
  std::optional<Element> area_;
};

TEST_F(TextEditTest, ReadsATextAreasRoleAndValue) {
  EXPECT_EQ(stringAttribute(*area_, "AXRole"), "AXTextArea");
  EXPECT_EQ(stringAttribute(*area_, "AXValue"), kText);
  EXPECT_EQ(elementProcessId(*area_), app_.processIdentifier);

  const SettableResult settable = isAttributeSettable(*area_, "AXValue");
  EXPECT_EQ(settable.error, axerr::kSuccess);
  EXPECT_TRUE(settable.settable);

  const CopyResult names = copyAttributeNames(*area_);
  ASSERT_EQ(names.error, axerr::kSuccess);
  bool hasValue = false;
  for (const Object& name : names.value.array().value_or(std::vector<Object>{})) {
    hasValue = hasValue || name.string() == "AXValue";
  }
  EXPECT_TRUE(hasValue);

  // "axbridge" is UTF-16 units 0 to 8 of the text.
  const CopyResult word =
      copyParameterizedAttributeValue(*area_, "AXStringForRange", Object::makeRange({0, 8}));
  ASSERT_EQ(word.error, axerr::kSuccess);
  EXPECT_EQ(word.value.string(), "axbridge");
  EXPECT_NE(copyAttributeValue(*area_, "AXNoSuchAttribute").error, axerr::kSuccess);
}

struct Delivery {
  int count = 0;
  std::string notification;
  std::optional<Element> element;
};

void record(const Element& element, std::string_view notification, void* refcon) {
  auto* delivery = static_cast<Delivery*>(refcon);
  ++delivery->count;
  delivery->notification = std::string(notification);
  delivery->element = element;
}

TEST_F(TextEditTest, ObserversDeliverWithTheirRefconUntilRemoved) {
  auto delivery = std::make_unique<Delivery>();  // outlives the observer
  auto observer = Observer::create(app_.processIdentifier, &record);
  ASSERT_TRUE(observer);
  ASSERT_EQ(observer->addNotification(*area_, "AXSelectedTextChanged", delivery.get()),
            axerr::kSuccess);
  EXPECT_EQ(observer->addNotification(*area_, "AXSelectedTextChanged", delivery.get()),
            axerr::kNotificationAlreadyRegistered);
  observer->addSourceToCurrentRunLoop();

  ASSERT_EQ(setAttributeValue(*area_, "AXSelectedTextRange", Object::makeRange({0, 3})),
            axerr::kSuccess);
  EXPECT_TRUE(runLoopUntil([&] { return delivery->count > 0; }, 5));
  EXPECT_EQ(delivery->notification, "AXSelectedTextChanged");
  EXPECT_EQ(delivery->element, area_);

  EXPECT_EQ(observer->removeNotification(*area_, "AXSelectedTextChanged"), axerr::kSuccess);
  EXPECT_EQ(observer->removeNotification(*area_, "AXSelectedTextChanged"),
            axerr::kNotificationNotRegistered);
  const int before = delivery->count;
  setAttributeValue(*area_, "AXSelectedTextRange", Object::makeRange({1, 2}));
  testing::runLoopFor(kCFRunLoopDefaultMode, 0.5);
  EXPECT_EQ(delivery->count, before);
}

}  // namespace
}  // namespace axb::platform
