// The editor the binding contract and the binding's tests act on: one window with a single-line
// text field and a multi-line text view, each holding some words, brought to the front once
// started, pasting on Command-V. The suite starts it from beside its own executable.
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
    multi.string = @"more words \U0001F600\non two lines";
    scroll.documentView = multi;
    [window.contentView addSubview:single];
    [window.contentView addSubview:scroll];
    // Command-V reaches the text view only as a menu's key equivalent, as in any application.
    NSMenu* menu = [[NSMenu alloc] init];
    NSMenuItem* edit = [menu addItemWithTitle:@"Edit" action:nil keyEquivalent:@""];
    edit.submenu = [[NSMenu alloc] initWithTitle:@"Edit"];
    [edit.submenu addItemWithTitle:@"Paste" action:@selector(paste:) keyEquivalent:@"v"];
    application.mainMenu = menu;
    [window makeKeyAndOrderFront:nil];
    [application activateIgnoringOtherApps:YES];
    [application run];
  }
  return 0;
}
