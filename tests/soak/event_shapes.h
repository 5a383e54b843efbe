// What the host may receive, event by event: the payload must be a JSON object with exactly the
// keys its event carries, of the right types. Shared by the soak test and the fuzz targets.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace axb::testing {

namespace shapes {

using nlohmann::json;

inline bool hasExactlyKeys(const json& object, std::initializer_list<const char*> keys) {
  if (!object.is_object() || object.size() != keys.size()) return false;
  return std::all_of(keys.begin(), keys.end(),
                     [&](const char* key) { return object.contains(key); });
}

inline bool textOrNull(const json& value) {
  return value.is_string() || value.is_null();
}

// "position" {"x", "y"} and "size" {"width", "height"}: four numbers, or (where allowed) four
// nulls together.
inline bool rectangleValid(const json& data, bool nullable) {
  const json& position = data.at("position");
  const json& size = data.at("size");
  if (!hasExactlyKeys(position, {"x", "y"}) || !hasExactlyKeys(size, {"width", "height"})) {
    return false;
  }
  const json* numbers[] = {&position.at("x"), &position.at("y"), &size.at("width"),
                           &size.at("height")};
  const bool allNumbers = std::all_of(std::begin(numbers), std::end(numbers),
                                      [](const json* n) { return n->is_number(); });
  const bool allNull = std::all_of(std::begin(numbers), std::end(numbers),
                                   [](const json* n) { return n->is_null(); });
  return allNumbers || (nullable && allNull);
}

inline bool selectionPayloadValid(const json& data, bool nullableRectangle) {
  return data.at("selected_text").is_string() && data.at("is_editable").is_boolean() &&
         rectangleValid(data, nullableRectangle);
}

// The selection payload, with the application keys or (with no application recorded) without
// them; or one of the two messages, likewise.
inline bool selectionSnapshotValid(const json& data) {
  const bool withApp = data.contains("bundle_id") || data.contains("name");
  if (withApp && !(data.contains("bundle_id") && data.contains("name") &&
                   textOrNull(data.at("bundle_id")) && textOrNull(data.at("name")))) {
    return false;
  }
  if (data.contains("message")) {
    const json& message = data.at("message");
    if (message != "something is wrong com" && message != "something wrong rev") return false;
    // Without any rectangle the selected text comes along.
    if (data.contains("selected_text")) {
      return message == "something is wrong com" && data.at("selected_text").is_string() &&
             (withApp ? hasExactlyKeys(data, {"message", "selected_text", "bundle_id", "name"})
                      : hasExactlyKeys(data, {"message", "selected_text"}));
    }
    return withApp ? hasExactlyKeys(data, {"message", "bundle_id", "name"})
                   : hasExactlyKeys(data, {"message"});
  }
  const bool keys =
      withApp ? hasExactlyKeys(
                    data, {"selected_text", "is_editable", "position", "size", "bundle_id", "name"})
              : hasExactlyKeys(data, {"selected_text", "is_editable", "position", "size"});
  return keys && selectionPayloadValid(data, /*nullableRectangle=*/false);
}

}  // namespace shapes

// Why the event is not one the host may receive, or nothing when it is well-formed.
inline std::optional<std::string> eventProblem(std::string_view name, std::string_view text) {
  using shapes::json;
  const json data = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (data.is_discarded()) return "not JSON";
  if (!data.is_object()) return "not a JSON object";
  bool valid = false;
  if (name == "app_changed") {
    valid = shapes::hasExactlyKeys(data, {"role", "name", "bundle_id"}) &&
            shapes::textOrNull(data.at("role")) && shapes::textOrNull(data.at("name")) &&
            shapes::textOrNull(data.at("bundle_id"));
  } else if (name == "focused_changed") {
    valid = data.empty() ||
            (shapes::hasExactlyKeys(data, {"bundle_id", "name"}) &&
             shapes::textOrNull(data.at("bundle_id")) && shapes::textOrNull(data.at("name")));
  } else if (name == "caret" || name == "mouse_hoverd" || name == "clcicked_outside") {
    valid = data.empty();
  } else if (name == "text_select" || name == "ui_reized") {
    valid = shapes::selectionSnapshotValid(data);
  } else if (name == "alt_enter_pressed") {
    // Empty, the selection snapshot, or the caret payload (no application keys, and four nulls
    // when no rectangle is known).
    valid = data.empty() || shapes::selectionSnapshotValid(data) ||
            (shapes::hasExactlyKeys(data, {"selected_text", "is_editable", "position", "size"}) &&
             shapes::selectionPayloadValid(data, /*nullableRectangle=*/true));
  } else {
    return "unknown event name";
  }
  if (!valid) return "wrong keys or types";
  return std::nullopt;
}

}  // namespace axb::testing
