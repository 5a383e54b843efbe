// The general pasteboard, item by item and type by type, so that its contents can be given
// back whole.
#include "platform/pasteboard.h"

#import <AppKit/AppKit.h>

#include "platform/mac/cf_string.h"

namespace axb::platform {
namespace {

std::string utf8(NSString* string) {
  return mac::utf8String((__bridge CFStringRef)string);
}

// Nil for what cannot be a type name.
NSString* typeName(const std::string& type) {
  if (type.empty()) return nil;
  return [[NSString alloc] initWithBytes:type.data()
                                  length:type.size()
                                encoding:NSUTF8StringEncoding];
}

}  // namespace

std::int64_t pasteboardChangeCount() {
  return [NSPasteboard generalPasteboard].changeCount;
}

std::vector<PasteboardItem> pasteboardItems() {
  std::vector<PasteboardItem> items;
  for (NSPasteboardItem* item in [NSPasteboard generalPasteboard].pasteboardItems) {
    PasteboardItem copy;
    for (NSString* type in item.types) {
      // Data the owner fails to provide cannot be kept; the other types still are.
      NSData* data = [item dataForType:type];
      if (!data) continue;
      std::string bytes;
      if (data.length > 0) bytes.assign(static_cast<const char*>(data.bytes), data.length);
      copy.representations.emplace_back(utf8(type), std::move(bytes));
    }
    items.push_back(std::move(copy));
  }
  return items;
}

// Asked item by item, so that the answer is the first item's text whatever the pasteboard's own
// rule for several items is.
std::optional<std::string> pasteboardString() {
  for (NSPasteboardItem* item in [NSPasteboard generalPasteboard].pasteboardItems) {
    NSString* string = [item stringForType:NSPasteboardTypeString];
    if (string) return utf8(string);
  }
  return std::nullopt;
}

std::int64_t pasteboardReplace(const std::vector<PasteboardItem>& items) {
  NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
  [pasteboard clearContents];
  NSMutableArray<NSPasteboardItem*>* written = [NSMutableArray array];
  for (const PasteboardItem& item : items) {
    NSPasteboardItem* copy = [[NSPasteboardItem alloc] init];
    bool any = false;
    for (const auto& [type, data] : item.representations) {
      NSString* name = typeName(type);
      if (!name) continue;
      any =
          [copy setData:[NSData dataWithBytes:data.data() length:data.size()] forType:name] || any;
    }
    if (any) [written addObject:copy];
  }
  if (written.count > 0) [pasteboard writeObjects:written];
  return pasteboard.changeCount;
}

}  // namespace axb::platform
