/* axbridge: follows the frontmost application through the accessibility interface and reports
 * focus, caret and selection changes to the host as JSON events.
 *
 * isAccessibiltyEnabled and showAccessibiltyPermisionPopup answer on any thread. Every other
 * function must be called on the main thread: the process's main thread on macOS and Linux, the
 * thread that first called initMacAccessibility on the simulated desktop. Called from another
 * thread it does nothing and prints "<function> called off the main thread". Events arrive only
 * while the main thread runs its main run loop (the GLib main context on Linux).
 * Strings passed in are NUL-terminated UTF-8 and are copied before the call returns.
 */
#ifndef AXBRIDGE_AXBRIDGE_H
#define AXBRIDGE_AXBRIDGE_H

#include <stdbool.h>

#if defined(_WIN32)
#define AXBRIDGE_API __declspec(dllexport)
#else
#define AXBRIDGE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Receives every event: its name and its payload as compact JSON text. Both strings are valid
 * only until the callback returns. Called on the main thread, never re-entrantly from two
 * threads. */
typedef void (*axbridge_event_callback)(const char* event_name, const char* json);

/* Stores the callback and creates the tracker. Call once, before start. Called again, it replaces
 * the tracker; the next start takes over what the replaced one followed. */
AXBRIDGE_API void initMacAccessibility(axbridge_event_callback callback);

/* Whether the process may use the accessibility interface (on Linux: whether the desktop's
 * accessibility is on). Never shows any user interface. Answers on any thread. */
AXBRIDGE_API bool isAccessibiltyEnabled(void);

/* Same answer as isAccessibiltyEnabled, but asks the system to prompt the user when the process
 * is not yet trusted (on Linux it switches the desktop's accessibility on; there is no dialog;
 * on Wayland desktops where only the desktop's remote-control dialog lets the library type the
 * paste, it opens that dialog, whose answer setText uses once given). The answer is the state at
 * the time of the call. Answers on any thread. */
AXBRIDGE_API bool showAccessibiltyPermisionPopup(void);

/* Starts following the frontmost application. blocked_fields_json maps bundle identifiers to
 * {"name": <attribute>, "value": <text>} entries whose fields are never reported. */
AXBRIDGE_API void start(const char* blocked_fields_json);

/* Replaces the selection in the followed application with text, by pasting; the user's clipboard
 * is given back afterwards. Blocks the main thread, which delivers no events meanwhile: 0.2 s for
 * the application to come forward, up to 1 s more while it is not yet in front, then 1 s after
 * the paste keystroke before the clipboard is given back: 1.2 s to 2.2 s in all. A cancelled
 * paste returns sooner (at once when the keystroke could not arrive or the system refuses
 * clipboard reads in advance). An application that does not answer adds its request time-out (2 s
 * on macOS, about 3 s on Linux) and cancels the paste; on Linux a clipboard owner that does not
 * answer adds up to 4 s per read, and a clipboard manager asked to keep what is given back up to
 * 2 s. */
AXBRIDGE_API void setText(const char* text);

/* Answers with an "alt_enter_pressed" event carrying the selection, or the text above the caret
 * and the caret's rectangle. */
AXBRIDGE_API void getDataForVeskAssist(void);

/* Brings the followed application back to the front. */
AXBRIDGE_API void focusPreiov(void);

/* Watches the mouse over one of the host's windows: an NSWindow pointer on macOS; on Linux (X11)
 * the window's XID cast to a pointer, e.g. (void*)(uintptr_t)gdk_x11_window_get_xid(...). Anything
 * that is not a window is ignored, and a window attached again keeps its one tracker. */
AXBRIDGE_API void addMouseTracker(void* window);

#ifdef __cplusplus
}
#endif

#endif /* AXBRIDGE_AXBRIDGE_H */
