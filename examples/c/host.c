/* A host on the simulated desktop: Notes comes to the front and the host hears of it. */
#include <axbridge/sim.h>
#include <stdio.h>

static const char* desktop =
    "{\"applications\": [{\"pid\": 501, \"bundle_id\": \"com.example.notes\","
    " \"name\": \"Notes\"}], \"timeline\": [{\"at\": 0.5, \"do\": \"activate\", \"pid\": 501}]}";

static void on_event(const char* name, const char* json) {
  printf("%s %s\n", name, json); /* copy what you keep: both strings die on return */
}

int main(void) {
  if (!axsim_load_scenario(desktop)) return fprintf(stderr, "%s\n", axsim_last_error()), 1;
  initMacAccessibility(on_event);
  start("{}");
  return axsim_run_for(1.0) ? 0 : 1; /* the run loop, for one virtual second */
}
