// Payload serialisation and delivery with arbitrary text and numbers: a payload whose text is all
// well-formed UTF-8 and whose numbers are all finite must reach the host as compact JSON that
// reads back to the same payload; any other payload must never reach it, and must not hold up
// the events posted after it.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "axbridge/axbridge.h"
#include "bridge/event_channel.h"
#include "fuzz_support.h"

namespace {

using axb::EventDictionary;

// Any bit pattern makes a double: infinities and NaNs included. Objects nest four deep.
void build(FuzzedDataProvider& input, EventDictionary& target, int depth) {
  const int kind = input.ConsumeIntegralInRange(0, depth < 4 ? 6 : 5);
  if (kind == 6) {
    target = EventDictionary::object();
    for (int i = input.ConsumeIntegralInRange(0, 6); i > 0 && input.remaining_bytes() > 0; --i) {
      build(input, target[input.ConsumeRandomLengthString(16)], depth + 1);
    }
    return;
  }
  target = kind == 0   ? EventDictionary(input.ConsumeRandomLengthString(64))
           : kind == 1 ? EventDictionary(input.ConsumeBool())
           : kind == 2 ? EventDictionary(input.ConsumeIntegral<std::int64_t>())
           : kind == 3 ? EventDictionary(nullptr)
           : kind == 4
               ? EventDictionary(std::bit_cast<double>(input.ConsumeIntegral<std::uint64_t>()))
               : EventDictionary(input.ConsumeFloatingPoint<double>());
}

// Text (keys included) all well-formed UTF-8, numbers all finite.
bool isRepresentable(const EventDictionary& value) {
  if (value.is_string()) return axb::fuzz::utf8::isWellFormed(value.get_ref<const std::string&>());
  if (value.is_number_float()) return std::isfinite(value.get<double>());
  if (!value.is_object()) return true;
  for (const auto& [key, entry] : value.items()) {
    if (!axb::fuzz::utf8::isWellFormed(key) || !isRepresentable(entry)) return false;
  }
  return true;
}

constexpr const char* kNames[] = {"app_changed", "focused_changed", "caret",
                                  "text_select", "ui_reized",       "alt_enter_pressed"};

}  // namespace

void axb::fuzz::fuzzOne(std::string_view bytes, sim::Desktop& desk) {
  auto input = provider(bytes);
  const char* name = kNames[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
  EventDictionary payload = EventDictionary::object();
  while (input.remaining_bytes() > 0 && payload.size() < 8) {
    build(input, payload[input.ConsumeRandomLengthString(16)], 1);
  }
  // Judged on the payload as built: a later entry may replace an earlier one of the same key.
  const bool representable = isRepresentable(payload);

  const std::optional<std::string> json = axb::bridge::serializePayload(payload);
  check(json.has_value() == representable, representable ? "a representable payload was refused"
                                                         : "an unrepresentable payload passed");
  if (json) {
    const auto reread = nlohmann::json::parse(*json, nullptr, /*allow_exceptions=*/false);
    check(!reread.is_discarded(), "serialised text is not JSON");
    check(reread == payload, "serialised text reads back to another payload");
    check(json->find('\n') == std::string::npos, "serialised text is not compact");
  }

  // Through the event channel to a host, exactly once or never; a later event all the same.
  initMacAccessibility(&recordAnyEvent);
  axb::bridge::callbackWraper(name, payload);
  desk.runFor(1.0);
  axb::bridge::callbackWraper("caret", EventDictionary::object());
  desk.runFor(1.0);
  std::vector<HostEvent> expected;
  if (json) expected.push_back({name, *json});
  expected.push_back({"caret", "{}"});
  check(hostEvents() == expected,
        json ? "the host did not receive the serialised payload once, then the next event"
             : "the host received an unrepresentable payload, or not the next event");
}
