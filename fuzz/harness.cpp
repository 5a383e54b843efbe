// libFuzzer's entry point for every target: a fresh desktop and library per input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bridge/process_state.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  axb::bridge::resetProcessState();
  axb::sim::Desktop::reset();
  axb::sim::Desktop& desk = axb::sim::Desktop::current();
  desk.setEchoDiagnostics(false);
  axb::fuzz::hostEvents().clear();
  axb::fuzz::fuzzOne(std::string_view(reinterpret_cast<const char*>(data), size), desk);
  return 0;
}
