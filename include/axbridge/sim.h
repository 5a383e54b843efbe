/* Control of the simulated desktop that non-Apple builds of axbridge run on.
 *
 * A host in any language can load a scenario (JSON text, format in docs/scenarios.md), play it on
 * the virtual clock and read the final desktop state, all in-process. Host calls written in the
 * scenario (initMacAccessibility, start, setText, ...) are made through the library's own entry
 * points; initMacAccessibility passes the callback given to axsim_set_host_callback.
 *
 * Call everything from one thread, the simulated main thread.
 */
#ifndef AXBRIDGE_SIM_H
#define AXBRIDGE_SIM_H

#include "axbridge/axbridge.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Throws the desktop away and starts an empty one at virtual time 0. Also forgets the library's
 * own state (tracker, pending event, observers). */
AXBRIDGE_API void axsim_reset(void);

/* Resets, then builds the desktop a scenario describes and queues its script. Returns 1 on
 * success; 0 with a message in axsim_last_error() when the text is not a valid scenario. */
AXBRIDGE_API int axsim_load_scenario(const char* scenario_json);

/* The reason the last axsim_load_scenario failed ("" after a success). */
AXBRIDGE_API const char* axsim_last_error(void);

/* The callback the scenario's initMacAccessibility calls pass to the library. */
AXBRIDGE_API void axsim_set_host_callback(axbridge_event_callback callback);

/* Plays the loaded scenario until its script has ended and nothing is pending. Returns 1, or 0
 * when no scenario is loaded. */
AXBRIDGE_API int axsim_run(void);

/* Virtual seconds since the scenario began. */
AXBRIDGE_API double axsim_now(void);

/* The desktop's current state as one JSON object. Valid until the next axsim_ call. */
AXBRIDGE_API const char* axsim_state_json(void);

/* Whether the library's diagnostic lines are also printed on standard output (default 1). */
AXBRIDGE_API void axsim_set_diagnostics_echo(int echo);

#ifdef __cplusplus
}
#endif

#endif /* AXBRIDGE_SIM_H */
