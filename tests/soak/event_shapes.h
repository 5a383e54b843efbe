// What the host may receive, event by event: the payload must be a JSON object with exactly the
// keys its event carries, of the right types. Shared by the soak test and the fuzz targets.
#pragma once

#include <algorithm>
#include <array>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "events/event_catalogue.h"

namespace axb::testing {

namespace shapes {

using namespace axb::events;
using nlohmann::json;

// The object's keys are exactly those of the parts together.
inline bool hasExactlyKeys(const json& object, std::initializer_list<Keys> parts) {
  std::size_t count = 0;
  for (const Keys keys : parts) {
    count += keys.size();
    if (!std::all_of(keys.begin(), keys.end(), [&](const char* k) { return object.contains(k); })) {
      return false;
    }
  }
  return object.is_object() && object.size() == count;
}

inline bool allTextOrNull(const json& data, Keys keys) {
  return std::all_of(keys.begin(), keys.end(),
                     [&](const char* k) { return data.at(k).is_string() || data.at(k).is_null(); });
}

// "position" {"x", "y"} and "size" {"width", "height"}: four numbers, or (where allowed) four
// nulls together.
inline bool rectangleValid(const json& data, bool nullable) {
  const json& position = data.at(key::kPosition);
  const json& size = data.at(key::kSize);
  if (!hasExactlyKeys(position, {kPositionKeys}) || !hasExactlyKeys(size, {kSizeKeys})) {
    return false;
  }
  const json* numbers[] = {&position.at(key::kX), &position.at(key::kY), &size.at(key::kWidth),
                           &size.at(key::kHeight)};
  const bool allNumbers = std::all_of(std::begin(numbers), std::end(numbers),
                                      [](const json* n) { return n->is_number(); });
  const bool allNull = std::all_of(std::begin(numbers), std::end(numbers),
                                   [](const json* n) { return n->is_null(); });
  return allNumbers || (nullable && allNull);
}

inline bool selectionPayloadValid(const json& data, bool nullableRectangle) {
  return data.at(key::kSelectedText).is_string() && data.at(key::kIsEditable).is_boolean() &&
         rectangleValid(data, nullableRectangle);
}

// The selection payload, with the application keys or (with no application recorded) without
// them; or one of the two messages, likewise.
inline bool selectionSnapshotValid(const json& data) {
  const bool withApp = data.contains(key::kBundleId) || data.contains(key::kName);
  const Keys app = withApp ? Keys(kAppKeys) : Keys();
  static constexpr std::array<const char*, 1> text{key::kSelectedText};
  bool valid = false;
  if (!data.contains(key::kMessage)) {
    valid = hasExactlyKeys(data, {kSelectionKeys, app}) && selectionPayloadValid(data, false);
  } else if (data.contains(key::kSelectedText)) {
    // Without any rectangle the selected text comes along.
    valid = data.at(key::kMessage) == "something is wrong com" &&
            data.at(key::kSelectedText).is_string() &&
            hasExactlyKeys(data, {kProblemKeys, text, app});
  } else {
    const json& message = data.at(key::kMessage);
    valid = (message == "something is wrong com" || message == "something wrong rev") &&
            hasExactlyKeys(data, {kProblemKeys, app});
  }
  return valid && (!withApp || allTextOrNull(data, kAppKeys));
}

}  // namespace shapes

// Why the event is not one the host may receive, or nothing when it is well-formed.
inline std::optional<std::string> eventProblem(std::string_view name, std::string_view text) {
  using namespace shapes;
  const json data = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (data.is_discarded()) return "not JSON";
  if (!data.is_object()) return "not a JSON object";
  bool valid = false;
  if (name == kAppChanged) {
    valid = hasExactlyKeys(data, {kAppChangedKeys}) && allTextOrNull(data, kAppChangedKeys);
  } else if (name == kFocusedChanged) {
    valid = data.empty() || (hasExactlyKeys(data, {kAppKeys}) && allTextOrNull(data, kAppKeys));
  } else if (name == kCaret || name == kMouseHovered || name == kClickedOutside) {
    valid = data.empty();
  } else if (name == kTextSelect || name == kUiResized) {
    valid = selectionSnapshotValid(data);
  } else if (name == kAltEnterPressed) {
    // Empty, the selection snapshot, or the caret payload (no application keys, and four nulls
    // when no rectangle is known).
    valid = data.empty() || selectionSnapshotValid(data) ||
            (hasExactlyKeys(data, {kSelectionKeys}) &&
             selectionPayloadValid(data, /*nullableRectangle=*/true));
  } else {
    return "unknown event name";
  }
  if (!valid) return "wrong keys or types";
  return std::nullopt;
}

}  // namespace axb::testing
