// What the fuzz targets share: a fresh desktop and library per input, a host callback that
// records and checks every event, and an independent reading of UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/process_state.h"
#include "sim_desktop/desktop.h"
#include "soak/event_shapes.h"

namespace axb::fuzz {

// Stops the run with the input that caused it, as libFuzzer does for a crash.
[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

inline void check(bool condition, const std::string& what) {
  if (!condition) fail(what);
}

struct HostEvent {
  std::string name;
  std::string json;
};

inline std::vector<HostEvent>& hostEvents() {
  static std::vector<HostEvent> events;
  return events;
}

// The host callback: every event must be well-formed, whatever the input was.
inline void recordHostEvent(const char* name, const char* json) {
  check(name != nullptr && json != nullptr, "null event name or payload");
  if (const auto problem = testing::eventProblem(name, json)) {
    fail(std::string(name) + " " + *problem + ": " + json);
  }
  hostEvents().push_back({name, json});
}

// Forgets the library's state and starts an empty, quiet desktop at virtual time 0.
inline sim::Desktop& freshDesktop() {
  bridge::resetProcessState();
  sim::Desktop::reset();
  sim::Desktop& desk = sim::Desktop::current();
  desk.setEchoDiagnostics(false);
  hostEvents().clear();
  return desk;
}

// ---- UTF-8, read by code point value rather than by tables of lead bytes

namespace utf8 {

// The code point the bytes encode when they are exactly one well-formed sequence: continuation
// bytes where needed, the shortest form for its value, no surrogate, nothing above U+10FFFF.
inline std::optional<char32_t> decodeOne(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > 4) return std::nullopt;
  const auto b0 = static_cast<std::uint8_t>(bytes[0]);
  std::size_t length = 0;
  char32_t value = 0;
  if (b0 < 0x80) {
    length = 1;
    value = b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2;
    value = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3;
    value = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4;
    value = b0 & 0x07;
  } else {
    return std::nullopt;
  }
  if (bytes.size() != length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    if ((b & 0xC0) != 0x80) return std::nullopt;
    value = (value << 6) | (b & 0x3F);
  }
  const std::size_t shortest = value < 0x80 ? 1 : value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
  if (shortest != length) return std::nullopt;
  if (value >= 0xD800 && value <= 0xDFFF) return std::nullopt;
  if (value > 0x10FFFF) return std::nullopt;
  return value;
}

// Whether some well-formed sequence starts with these bytes.
inline bool startsSomeSequence(std::string_view prefix) {
  for (std::size_t total = prefix.size() + 1; total <= 4; ++total) {
    std::string candidate(prefix);
    if (prefix.size() == 1) {
      // The second byte is the only one whose allowed range depends on the first.
      for (int second = 0x80; second <= 0xBF; ++second) {
        std::string withSecond = candidate + static_cast<char>(second);
        withSecond.resize(total, '\x80');
        if (decodeOne(withSecond)) return true;
      }
    } else {
      candidate.resize(total, '\x80');
      if (decodeOne(candidate)) return true;
    }
  }
  return false;
}

// The bytes with every ill-formed part replaced by U+FFFD, one for each maximal subpart (the
// longest start of a well-formed sequence, or a single byte), as Unicode recommends.
inline std::string wellFormed(std::string_view bytes, std::vector<char32_t>* codePoints = nullptr) {
  std::string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t taken = 0;
    for (std::size_t length = 1; length <= 4 && i + length <= bytes.size(); ++length) {
      if (const auto value = decodeOne(bytes.substr(i, length))) {
        out.append(bytes.substr(i, length));
        if (codePoints) codePoints->push_back(*value);
        taken = length;
        break;
      }
    }
    if (taken == 0) {
      taken = 1;
      for (std::size_t length = 3; length >= 2; --length) {
        if (i + length <= bytes.size() && startsSomeSequence(bytes.substr(i, length))) {
          taken = length;
          break;
        }
      }
      out.append("\xEF\xBF\xBD");
      if (codePoints) codePoints->push_back(0xFFFD);
    }
    i += taken;
  }
  return out;
}

inline bool isWellFormed(std::string_view bytes) {
  return wellFormed(bytes) == bytes;
}

}  // namespace utf8

}  // namespace axb::fuzz
