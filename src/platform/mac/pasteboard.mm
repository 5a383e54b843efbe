// The general pasteboard, item by item and type by type, so that its contents can be given
// back whole.
#include "platform/pasteboard.h"

#import <AppKit/AppKit.h>
#import <objc/message.h>

#include "platform/mac/cf_string.h"
#include "platform/mac/pasteboard_bounds.h"
#include "platform/run_loop.h"

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

namespace mac {

// Every type the owner lists is read, dyn.* ones included: an application's own formats often
// have no declared type, and a copy may hold nothing else.
PasteboardContents pasteboardContents(const SnapshotBounds& bounds) {
  PasteboardContents contents;
  const double start = monotonicSeconds();
  std::size_t kept = 0;
  bool ended = false;
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
          ended = ended || monotonicSeconds() - start >= bounds.seconds;
          NSData* data = ended ? nil : [item dataForType:type];
          if (data && data.length > bounds.bytes - kept) {
            ended = true;
            data = nil;
          }
          // Data the owner fails to provide cannot be kept; the other types still are.
          if (!data) {
            ++contents.unreadTypes;
            continue;
          }
          kept += data.length;
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

}  // namespace mac

PasteboardContents pasteboardContents() {
  return mac::pasteboardContents(mac::kSnapshotBounds);
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
