// The one path from the library to the host: events wait in a single pending slot, and a delayed
// delivery step hands the newest one to the host callback as compact JSON. A burst of events
// therefore reaches the host as its latest event.
#pragma once

#include <optional>
#include <string>

#include "events/event_dictionary.h"

namespace axb::bridge {

struct EventParams {
  std::string notification;
  EventDictionary data;
};

// The delay each posted event schedules its delivery step with.
inline constexpr double kDeliveryInterval = 0.09;

// Stores the event in the pending slot (dropping an undelivered one) and schedules a delivery
// step. The tracker's event sink.
void callbackWraper(const std::string& name, EventDictionary payload);

// One delivery step: hands the pending event, if any, to the host callback.
void deliverPendingEvent();

// Compact JSON of a payload, or nothing when it cannot be represented (a non-finite number,
// text that is not UTF-8).
std::optional<std::string> serializePayload(const EventDictionary& payload);

}  // namespace axb::bridge
