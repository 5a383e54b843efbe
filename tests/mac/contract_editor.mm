// The editor the binding contract acts on: one window with a single-line text field and a
// multi-line text view, each holding some words, brought to the front once started. The suite
// starts it from beside its own executable.
#import <AppKit/AppKit.h>

int main() {
  @autoreleasepool {
    NSApplication* application = [NSApplication sharedApplication];
    [application setActivationPolicy:NSApplicationActivationPolicyRegular];
    NSWindow* window = [[NSWindow alloc] initWithContentRect:NSMakeRect(100, 200, 400, 300)
                                                   styleMask:NSWindowStyleMaskTitled
                                                     backing:NSBackingStoreBuffered
                                                       defer:NO];
    window.title = @"Contract editor";
    NSTextField* single = [NSTextField textFieldWithString:@"some words"];
    single.frame = NSMakeRect(10, 260, 380, 24);
    NSScrollView* scroll = [[NSScrollView alloc] initWithFrame:NSMakeRect(10, 10, 380, 240)];
    NSTextView* multi = [[NSTextView alloc] initWithFrame:scroll.bounds];
    multi.string = @"more words\non two lines";
    scroll.documentView = multi;
    [window.contentView addSubview:single];
    [window.contentView addSubview:scroll];
    [window makeKeyAndOrderFront:nil];
    [application activateIgnoringOtherApps:YES];
    [application run];
  }
  return 0;
}
