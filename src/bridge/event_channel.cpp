#include "bridge/event_channel.h"

#include <cmath>
#include <utility>

#include "ax/callout.h"
#include "bridge/globals.h"
#include "timing/debounce.h"

namespace axb::bridge {
namespace {

bool allNumbersFinite(const EventDictionary& value) {
  if (value.is_number_float()) return std::isfinite(value.get<double>());
  if (value.is_structured()) {
    for (const auto& element : value) {
      if (!allNumbersFinite(element)) return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> serializePayload(const EventDictionary& payload) {
  if (!allNumbersFinite(payload)) return std::nullopt;
  try {
    return payload.dump();
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;  // text that is not UTF-8
  }
}

void callbackWraper(const std::string& name, EventDictionary payload) {
  globals().eventParams = EventParams{name, std::move(payload)};
  timing::debounce(kDeliveryInterval, [] { ax::runCallout(deliverPendingEvent); });
}

void deliverPendingEvent() {
  Globals& state = globals();
  if (!state.eventParams) return;
  const std::optional<std::string> json = serializePayload(state.eventParams->data);
  if (!json) return;  // kept: a newer post replaces it
  if (state.observer_callback == nullptr) return;
  // Take the event out before calling: an event the host causes from inside its callback then
  // waits in the slot for its own delivery step instead of being thrown away.
  const std::string name = std::move(state.eventParams->notification);
  state.eventParams.reset();
  state.observer_callback(name.c_str(), json->c_str());
}

}  // namespace axb::bridge
