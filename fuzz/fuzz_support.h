// The harness every fuzz target shares: each input runs on a fresh desktop and library, a host
// callback records (and checks) every event, a failed check aborts with the input kept, and an
// independent reading of UTF-8 judges the library's.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
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

// ---- UTF-8, read from the encodings of every scalar value rather than from tables of lead bytes

namespace utf8 {

// The length of the encoding of each scalar value, under each of its starts of up to 3 bytes (a
// 4-byte encoding is its 3-byte start and any continuation byte).
inline const std::unordered_map<std::string, std::size_t>& starts() {
  static const auto table = [] {
    std::unordered_map<std::string, std::size_t> found;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      const std::size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
      const unsigned lead[] = {0, 0x00, 0xC0, 0xE0, 0xF0};
      std::string bytes(1, static_cast<char>(lead[length] | (c >> (6 * (length - 1)))));
      for (std::size_t i = length - 1; i > 0; --i) {
        bytes += static_cast<char>(0x80 | ((c >> (6 * (i - 1))) & 0x3F));
      }
      for (std::size_t n = 1; n <= std::min<std::size_t>(length, 3); ++n) {
        found.emplace(bytes.substr(0, n), length);
      }
    }
    return found;
  }();
  return table;
}

// The bytes with every ill-formed part replaced by U+FFFD, one for each maximal subpart (the
// longest start of a well-formed sequence, or a single byte), as Unicode recommends. Counts the
// text's UTF-16 code units.
inline std::string wellFormed(std::string_view bytes, std::size_t* utf16Units = nullptr) {
  std::string out;
  std::size_t units = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t known = 0, length = 0;  // the longest start found, and its sequence's length
    for (std::size_t n = 1; n <= 3 && i + n <= bytes.size(); ++n) {
      const auto found = starts().find(std::string(bytes.substr(i, n)));
      if (found == starts().end()) break;
      known = n;
      length = found->second;
    }
    if (length == 4 && known == 3 && i + 3 < bytes.size() &&
        (static_cast<unsigned char>(bytes[i + 3]) & 0xC0) == 0x80) {
      known = 4;
    }
    if (known != 0 && known == length) {
      out.append(bytes.substr(i, known));
      units += known == 4 ? 2 : 1;
    } else {
      out.append("\xEF\xBF\xBD");
      units += 1;
    }
    i += std::max<std::size_t>(known, 1);
  }
  if (utf16Units) *utf16Units = units;
  return out;
}

inline bool isWellFormed(std::string_view bytes) {
  return wellFormed(bytes) == bytes;
}

}  // namespace utf8

}  // namespace axb::fuzz
