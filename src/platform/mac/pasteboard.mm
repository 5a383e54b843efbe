// The general pasteboard, item by item and type by type, so that its contents can be given
// back whole.
#include "platform/pasteboard.h"

#import <AppKit/AppKit.h>
#import <objc/message.h>

#include "platform/mac/cf_string.h"

namespace axb::platform {
namespace {

// NSPasteboardAccessBehaviorAlwaysDeny, of macOS 15.4's pasteboard privacy.
constexpr NSInteger kAccessBehaviorAlwaysDeny = 3;

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

NSString* concealedType() {
  return [NSString stringWithUTF8String:kConcealedType];
}

// Dynamic types stand for conversions the owner would have to produce, synchronously, for
// every one of them.
bool isDynamicType(NSString* type) {
  return [type hasPrefix:@"dyn."];
}

}  // namespace

std::int64_t pasteboardChangeCount() {
  return [NSPasteboard generalPasteboard].changeCount;
}

// Told by the pasteboard's access behaviour (macOS 15.4 and later), which is read without
// reading any data, as are the types it lists.
bool pasteboardReadsRefused() {
  @autoreleasepool {
    NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
    const SEL accessBehavior = NSSelectorFromString(@"accessBehavior");
    if (![pasteboard respondsToSelector:accessBehavior]) return false;
    const auto behavior =
        reinterpret_cast<NSInteger (*)(id, SEL)>(objc_msgSend)(pasteboard, accessBehavior);
    return behavior == kAccessBehaviorAlwaysDeny && pasteboard.types.count > 0;
  }
}

PasteboardContents pasteboardContents() {
  PasteboardContents contents;
  @autoreleasepool {
    for (NSPasteboardItem* item in [NSPasteboard generalPasteboard].pasteboardItems) {
      @autoreleasepool {
        NSArray<NSPasteboardType>* types = item.types;
        if ([types containsObject:concealedType()]) {
          contents.items.push_back({{{kConcealedType, ""}}});
          continue;
        }
        PasteboardItem copy;
        for (NSString* type in types) {
          if (isDynamicType(type)) continue;
          // Data the owner fails to provide cannot be kept; the other types still are.
          NSData* data = [item dataForType:type];
          if (!data) {
            ++contents.unreadTypes;
            continue;
          }
          std::string bytes;
          if (data.length > 0) bytes.assign(static_cast<const char*>(data.bytes), data.length);
          copy.representations.emplace_back(utf8(type), std::move(bytes));
        }
        contents.items.push_back(std::move(copy));
      }
    }
  }
  return contents;
}

// Asked item by item, so that the answer is the first item's text whatever the pasteboard's own
// rule for several items is.
std::optional<std::string> pasteboardString() {
  @autoreleasepool {
    for (NSPasteboardItem* item in [NSPasteboard generalPasteboard].pasteboardItems) {
      NSString* string = [item stringForType:NSPasteboardTypeString];
      if (string) return utf8(string);
    }
    return std::nullopt;
  }
}

std::optional<std::int64_t> pasteboardReplace(const std::vector<PasteboardItem>& items,
                                              PasteboardReach reach) {
  @autoreleasepool {
    NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
    if (reach == PasteboardReach::ThisDeviceOnly) {
      // Kept from Universal Clipboard: the user's other devices are not offered it.
      [pasteboard prepareForNewContentsWithOptions:NSPasteboardContentsCurrentHostOnly];
    } else {
      [pasteboard clearContents];
    }
    NSMutableArray<NSPasteboardItem*>* written = [NSMutableArray array];
    for (const PasteboardItem& item : items) {
      NSPasteboardItem* copy = [[NSPasteboardItem alloc] init];
      bool any = false;
      for (const auto& [type, data] : item.representations) {
        NSString* name = typeName(type);
        if (!name) continue;
        any = [copy setData:[NSData dataWithBytes:data.data() length:data.size()] forType:name] ||
              any;
      }
      if (any) [written addObject:copy];
    }
    if (written.count > 0 && ![pasteboard writeObjects:written]) return std::nullopt;
    return pasteboard.changeCount;
  }
}

}  // namespace axb::platform
