// The payload of an event: text keys whose values are text, Booleans, numbers, null or nested
// dictionaries of the same kind.
#pragma once

#include <nlohmann/json.hpp>

namespace axb {

using EventDictionary = nlohmann::json;

// Adds the entries of extra that payload does not have yet: where a key is in both, the
// payload's own value wins.
inline void mergeKeepingExisting(EventDictionary& payload, const EventDictionary& extra) {
  if (!payload.is_object() || !extra.is_object()) return;
  for (const auto& [key, value] : extra.items()) {
    if (!payload.contains(key)) payload[key] = value;
  }
}

}  // namespace axb
