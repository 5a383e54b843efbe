// The payload shape shared by the selection events: "selected_text", "is_editable", "position"
// {"x", "y"} and "size" {"width", "height"}.
#pragma once

#include <cmath>
#include <optional>
#include <string>

#include "events/event_catalogue.h"
#include "events/event_dictionary.h"
#include "platform/geometry.h"

namespace axb::tracker {

// Width and height as non-negative numbers, whichever way the rectangle was given.
inline double rectWidth(const Rect& rect) {
  return std::abs(rect.width);
}
inline double rectHeight(const Rect& rect) {
  return std::abs(rect.height);
}

// Without a rectangle the four numbers are null.
inline EventDictionary selectionPayload(std::string text, bool editable,
                                        const std::optional<Rect>& rect) {
  EventDictionary payload = EventDictionary::object();
  payload[events::key::kSelectedText] = std::move(text);
  payload[events::key::kIsEditable] = editable;
  const auto number = [&](double Rect::*field) {
    return rect ? EventDictionary((*rect).*field) : EventDictionary(nullptr);
  };
  payload[events::key::kPosition] = {{events::key::kX, number(&Rect::x)},
                                     {events::key::kY, number(&Rect::y)}};
  payload[events::key::kSize] = {{events::key::kWidth, number(&Rect::width)},
                                 {events::key::kHeight, number(&Rect::height)}};
  return payload;
}

inline EventDictionary messagePayload(const char* message) {
  return EventDictionary{{events::key::kMessage, message}};
}

}  // namespace axb::tracker
