// Replacing the selection in a real application: TextEdit, brought to the front, receives the
// paste, and the user's clipboard comes back whole, every item with every type and its bytes.
#import <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "mac/run_loop_support.h"
#include "mac/text_edit.h"
#include "platform/pasteboard.h"
#include "platform/workspace.h"
#include "tracker/mac_accessibility.h"

namespace axb::testing {
namespace {

using platform::PasteboardItem;
using Representation = std::pair<std::string, std::string>;

bool offers(const PasteboardItem& item, const Representation& representation) {
  const auto& offered = item.representations;
  return std::find(offered.begin(), offered.end(), representation) != offered.end();
}

// A 2-by-2 image as PNG bytes, as an application copying a picture would offer it.
std::string pngImage() {
  NSBitmapImageRep* bitmap =
      [[NSBitmapImageRep alloc] initWithBitmapDataPlanes:nullptr
                                              pixelsWide:2
                                              pixelsHigh:2
                                           bitsPerSample:8
                                         samplesPerPixel:4
                                                hasAlpha:YES
                                                isPlanar:NO
                                          colorSpaceName:NSDeviceRGBColorSpace
                                             bytesPerRow:0
                                            bitsPerPixel:0];
  [bitmap setColor:[NSColor redColor] atX:0 y:0];
  NSData* png = [bitmap representationUsingType:NSBitmapImageFileTypePNG properties:@{}];
  if (!png) return {};
  return std::string(static_cast<const char*>(png.bytes), png.length);
}

bool isFrontmost(pid_t pid) {
  return [NSWorkspace sharedWorkspace].frontmostApplication.processIdentifier == pid;
}

class SetTextTest : public TextEditTest {
 protected:
  void SetUp() override {
    saved_ = platform::pasteboardItems();
    TextEditTest::SetUp();
  }
  void TearDown() override {
    TextEditTest::TearDown();
    platform::pasteboardReplace(saved_);
  }

 private:
  std::vector<PasteboardItem> saved_;  // the clipboard of whoever runs the tests
};

TEST_F(SetTextTest, ReplacesTheSelectionAndGivesTheClipboardBackWhole) {
  const std::string image = pngImage();
  ASSERT_FALSE(image.empty());
  const PasteboardItem clipboard{{{platform::kPlainTextType, "copied text"},
                                  {"public.rtf", "{\\rtf1\\ansi copied {\\b text}}"},
                                  {"public.png", image}}};
  platform::pasteboardReplace({clipboard});

  // A command-line process is never the active application: Launch Services brought TextEdit
  // forward, and the workspace learns of it only as the run loop turns.
  ASSERT_TRUE(runLoopUntil([&] { return isFrontmost(app_.processIdentifier); }, 10))
      << "TextEdit did not come to the front; the paste would go to another application";
  ASSERT_EQ(platform::setAttributeValue(*area_, "AXSelectedTextRange",
                                        platform::Object::makeRange({9, 7})),
            platform::axerr::kSuccess);  // "binding"

  auto macAccessibility =
      std::make_shared<tracker::MacAccessibility>([](const std::string&, EventDictionary) {});
  macAccessibility->frontmostApp =
      platform::runningApplicationWithProcessIdentifier(app_.processIdentifier);
  macAccessibility->processID = app_.processIdentifier;
  ASSERT_TRUE(macAccessibility->frontmostApp);
  macAccessibility->setSelectedText("pasted \xC3\xA9");  // blocks while TextEdit pastes

  const std::string expected = "axbridge pasted \xC3\xA9 test \xF0\x9F\x98\x80";
  EXPECT_TRUE(runLoopUntil([&] { return stringAttribute(*area_, "AXValue") == expected; }, 5))
      << "text now: " << stringAttribute(*area_, "AXValue").value_or("(unreadable)");

  const std::vector<PasteboardItem> items = platform::pasteboardItems();
  ASSERT_EQ(items.size(), 1u);
  for (const Representation& representation : clipboard.representations) {
    EXPECT_TRUE(offers(items[0], representation)) << representation.first << " not given back";
  }
  EXPECT_FALSE(offers(items[0], {platform::kTransientType, ""}));
}

}  // namespace
}  // namespace axb::testing
