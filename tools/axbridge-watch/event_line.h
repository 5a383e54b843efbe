// One event as axbridge-watch prints it:
//   {"t":<seconds>,"event":"<name>","data":<payload exactly as received>}
#pragma once

#include <cstdio>
#include <string>

// The event's name as a JSON string (null when there is none).
inline void appendJsonString(std::string& out, const char* text) {
  if (text == nullptr) {
    out += "null";
    return;
  }
  out += '"';
  for (const char* p = text; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

inline void writeLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  // Flushed at once: the library's diagnostic lines go to the same stream.
  std::fflush(stdout);
}

// For the host callback, which the library calls on the main thread: nothing may escape from it.
inline void printEventLine(double seconds, const char* eventName, const char* json) noexcept {
  try {
    char time[48];
    std::snprintf(time, sizeof time, "%.3f", seconds);
    std::string line = "{\"t\":";
    line += time;
    line += ",\"event\":";
    appendJsonString(line, eventName);
    line += ",\"data\":";
    line += json != nullptr ? json : "null";
    line += '}';
    writeLine(line);
  } catch (...) {
  }
}
