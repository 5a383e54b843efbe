// The harness every fuzz target shares: each input runs on a fresh desktop and library, a host
// callback records (and checks) every event, a failed check aborts with the input kept, and ICU's
// reading of UTF-8 judges the library's.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "sim_desktop/desktop.h"
#include "soak/event_shapes.h"

namespace axb::fuzz {

// Each target defines it: one input, on an empty and quiet desktop at virtual time 0 with the
// library's state forgotten and no host event recorded yet.
void fuzzOne(std::string_view input, sim::Desktop& desk);

// Stops the run with the input that caused it, as libFuzzer does for a crash.
[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

inline void check(bool condition, const std::string& what) {
  if (!condition) fail(what);
}

// The input as C text reads it: up to the first NUL byte. What follows it, for targets that want
// more than one part.
inline std::string cText(std::string_view input) {
  return std::string(input.substr(0, input.find('\0')));
}

inline std::string_view afterNul(std::string_view input) {
  const auto nul = input.find('\0');
  return nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
}

inline FuzzedDataProvider provider(std::string_view input) {
  return FuzzedDataProvider(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

struct HostEvent {
  std::string name;
  std::string json;
  bool operator==(const HostEvent&) const = default;
};

inline std::vector<HostEvent>& hostEvents() {
  static std::vector<HostEvent> events;
  return events;
}

inline std::size_t countEvents(std::initializer_list<std::string_view> names) {
  return static_cast<std::size_t>(
      std::count_if(hostEvents().begin(), hostEvents().end(), [&](const HostEvent& event) {
        return std::find(names.begin(), names.end(), event.name) != names.end();
      }));
}

// A host callback that records every event as it comes.
inline void recordAnyEvent(const char* name, const char* json) {
  check(name != nullptr && json != nullptr, "null event name or payload");
  hostEvents().push_back({name, json});
}

// The host callback for the library's own events: each must be well-formed, whatever the input.
inline void recordHostEvent(const char* name, const char* json) {
  recordAnyEvent(name, json);
  if (const auto problem = testing::eventProblem(name, json)) {
    fail(std::string(name) + " " + *problem + ": " + json);
  }
}

// ---- UTF-8 as ICU reads it, apart from the library's own reading

namespace utf8 {

// The bytes with every ill-formed part replaced by U+FFFD, one for each maximal subpart (the
// longest start of a well-formed sequence, or a single byte), as Unicode recommends. Counts the
// text's UTF-16 code units.
inline std::string wellFormed(std::string_view bytes, std::size_t* utf16Units = nullptr) {
  UErrorCode error = U_ZERO_ERROR;
  std::int32_t units = 0;
  std::vector<UChar> utf16(bytes.size() + 1);
  u_strFromUTF8WithSub(utf16.data(), static_cast<std::int32_t>(utf16.size()), &units, bytes.data(),
                       static_cast<std::int32_t>(bytes.size()), 0xFFFD, nullptr, &error);
  std::string out(static_cast<std::size_t>(units) * 3 + 1, '\0');
  std::int32_t length = 0;
  u_strToUTF8(out.data(), static_cast<std::int32_t>(out.size()), &length, utf16.data(), units,
              &error);
  check(U_SUCCESS(error), "ICU could not read the bytes");
  out.resize(static_cast<std::size_t>(length));
  if (utf16Units) *utf16Units = static_cast<std::size_t>(units);
  return out;
}

inline bool isWellFormed(std::string_view bytes) {
  return wellFormed(bytes) == bytes;
}

}  // namespace utf8

}  // namespace axb::fuzz
