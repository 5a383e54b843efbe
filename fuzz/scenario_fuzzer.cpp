// The scenario loader and player with arbitrary text: a scenario is either refused with a reason
// or played to its end, every event it makes the library send is well-formed, and the final
// state is JSON.
//
// Valid scenarios may legitimately script a lot of work (ten thousand steps, each of which may
// block the main thread for an hour of virtual time); those with more than a few hundred steps
// are only loaded, not played, to keep each input quick.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "axbridge/sim.h"
#include "fuzz_support.h"

namespace {

constexpr std::size_t kMaxPlayedSteps = 256;

bool worthPlaying(const std::string& text) {
  const auto parsed = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!parsed.is_object()) return false;
  const auto timeline = parsed.find("timeline");
  return timeline == parsed.end() || !timeline->is_array() || timeline->size() <= kMaxPlayedSteps;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  axsim_set_diagnostics_echo(0);
  axsim_set_host_callback(&axb::fuzz::recordHostEvent);
  return 0;
}

void axb::fuzz::fuzzOne(std::string_view input, sim::Desktop&) {
  // The loader takes C text: it ends at the first NUL.
  const std::string text = cText(input);
  const int loaded = axsim_load_scenario(text.c_str());
  const std::string error = axsim_last_error();
  check(loaded == 1 || loaded == 0, "loading answered neither 1 nor 0");
  check((loaded == 0) == !error.empty(), "a refusal without a reason, or a reason with a success");
  if (loaded == 1 && worthPlaying(text)) {
    check(axsim_run() == 1, "a loaded scenario did not play");
    check(std::isfinite(axsim_now()) && axsim_now() >= 0, "the clock is not a time");
  }
  const auto state = nlohmann::json::parse(axsim_state_json(), nullptr, false);
  check(state.is_object(), "the state is not a JSON object");
  axsim_reset();
}
