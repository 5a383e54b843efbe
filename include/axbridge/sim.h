/* Control of the simulated desktop: the flavour of axbridge built with AXBRIDGE_PLATFORM=sim
 * (libaxbridge-sim) runs on it and exports these functions beside the entry points. The real
 * flavours, macOS and Linux (libaxbridge), have none of them.
 *
 * A host in any language can build a desktop, drive the library's entry points itself and run the
 * main run loop on the virtual clock, all in-process:
 *
 *   axsim_load_scenario(desktop_json);           applications, elements, host windows, a script
 *   initMacAccessibility(on_event);              the host's own calls, as on the real platform
 *   start("{}");
 *   addMouseTracker(axsim_host_window("assistant"));
 *   axsim_run_for(3.0);                          events arrive in on_event meanwhile
 *
 * Scenarios (JSON text, format in docs/scenarios.md) can also script the host's calls; those made
 * by a scenario's initMacAccessibility steps pass the callback given to axsim_set_host_callback.
 *
 * Call everything from one thread, the simulated main thread (the thread that first calls
 * initMacAccessibility). The functions that answer 0 or NULL on failure say why in
 * axsim_last_error() and clear it when they succeed. Nothing here throws or aborts on bad input.
 */
#ifndef AXBRIDGE_SIM_H
#define AXBRIDGE_SIM_H

#include "axbridge/axbridge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Receives each diagnostic line the library writes, without its newline. The line is valid only
 * until the callback returns. Called on the main thread from inside the library's own work, so
 * it must not reset, load or run (those calls are refused from here). */
typedef void (*axsim_diagnostic_callback)(const char* line);

/* Throws the desktop away and starts an empty one at virtual time 0. Also forgets the library's
 * own state (tracker, pending event, observers). Returns 1; 0 without resetting anything while a
 * run is in progress (from a callback of axsim_run or axsim_run_for) or from the diagnostic
 * callback. */
AXBRIDGE_API int axsim_reset(void);

/* Resets, then builds the desktop a scenario describes and queues its script. Returns 1 on
 * success; 0 when the text is not a valid scenario or a run is in progress. */
AXBRIDGE_API int axsim_load_scenario(const char* scenario_json);

/* Why the last of these calls that failed did so: axsim_reset, axsim_load_scenario, axsim_run,
 * axsim_run_for, axsim_add_host_window, axsim_host_window ("" after a success). Valid until the
 * next of them. */
AXBRIDGE_API const char* axsim_last_error(void);

/* The callback the scenario's initMacAccessibility steps pass to the library. */
AXBRIDGE_API void axsim_set_host_callback(axbridge_event_callback callback);

/* Plays the loaded scenario until its script has ended and nothing is pending. Returns 1; 0 when
 * no scenario is loaded, a run is already in progress, or work was still arriving after 100,000
 * items of work (main-thread items and other processes' actions, for instance when the host
 * callback asks the library for something on every event): the run then stops there. */
AXBRIDGE_API int axsim_run(void);

/* Runs the main run loop in its default mode for the given virtual seconds, as a host's event
 * loop would: the loaded scenario's steps that fall due happen (its run loop steps switch the
 * mode as they do in axsim_run), events reach the host callback, and the clock ends exactly
 * seconds later. Works without a scenario too, on the bare desktop. Returns 1; 0 for a duration
 * that is negative or not a number, inside another run, or when work was still arriving after
 * 100,000 items of work (the clock still moves on). Call it again to go on. */
AXBRIDGE_API int axsim_run_for(double seconds);

/* Virtual seconds since the scenario began (since the last reset without one). */
AXBRIDGE_API double axsim_now(void);

/* The desktop's current state as one JSON object. Valid until the next axsim_ call. */
AXBRIDGE_API const char* axsim_state_json(void);

/* Whether the library's diagnostic lines are also printed on standard output (default 1). */
AXBRIDGE_API void axsim_set_diagnostics_echo(int echo);

/* Hands every diagnostic line to the callback as well (NULL: none). Lasts across resets. */
AXBRIDGE_API void axsim_set_diagnostic_callback(axsim_diagnostic_callback callback);

/* Opens one of the host's own windows with its content view filling the frame (screen points,
 * origin top-left, y downwards) and returns its handle, the pointer to pass to addMouseTracker.
 * NULL when the id is empty or over 256 bytes, a window with that id is open, or the frame is not
 * finite, beyond 10,000,000 points or has a negative size. Scenario steps name only the
 * scenario's own host windows, but its move_pointer steps reach this one too. */
AXBRIDGE_API void* axsim_add_host_window(const char* id, double x, double y, double width,
                                         double height);

/* The handle of the open host window with that id (declared in the scenario or added with
 * axsim_add_host_window), or NULL when there is none or it was closed. */
AXBRIDGE_API void* axsim_host_window(const char* id);

#ifdef __cplusplus
}
#endif

#endif /* AXBRIDGE_SIM_H */
