// Every event the host receives and the keys of its payload, spelt as hosts match on them
// (misspellings included). The packages' types are checked against this file
// (scripts/check_event_types.py reads it): keep one declaration a line, in these forms.
#pragma once

#include <array>
#include <span>

namespace axb::events {

inline constexpr char kAppChanged[] = "app_changed";
inline constexpr char kFocusedChanged[] = "focused_changed";
inline constexpr char kCaret[] = "caret";
inline constexpr char kTextSelect[] = "text_select";
inline constexpr char kUiResized[] = "ui_reized";
inline constexpr char kAltEnterPressed[] = "alt_enter_pressed";
inline constexpr char kError[] = "error";
inline constexpr char kMouseHovered[] = "mouse_hoverd";
inline constexpr char kClickedOutside[] = "clcicked_outside";

namespace key {
inline constexpr char kRole[] = "role";
inline constexpr char kName[] = "name";
inline constexpr char kBundleId[] = "bundle_id";
inline constexpr char kSelectedText[] = "selected_text";
inline constexpr char kIsEditable[] = "is_editable";
inline constexpr char kPosition[] = "position";
inline constexpr char kX[] = "x";
inline constexpr char kY[] = "y";
inline constexpr char kSize[] = "size";
inline constexpr char kWidth[] = "width";
inline constexpr char kHeight[] = "height";
inline constexpr char kMessage[] = "message";
}  // namespace key

// The payloads' parts; a key's object carries the part named after it (kPosition, kPositionKeys).
using Keys = std::span<const char* const>;
inline constexpr std::array<const char*, 3> kAppChangedKeys{key::kRole, key::kName, key::kBundleId};
inline constexpr std::array<const char*, 2> kAppKeys{key::kBundleId, key::kName};
inline constexpr std::array<const char*, 4> kSelectionKeys{key::kSelectedText, key::kIsEditable,
                                                           key::kPosition, key::kSize};
inline constexpr std::array<const char*, 2> kPositionKeys{key::kX, key::kY};
inline constexpr std::array<const char*, 2> kSizeKeys{key::kWidth, key::kHeight};
inline constexpr std::array<const char*, 1> kProblemKeys{key::kMessage};

// Each event and the parts whose keys its payloads may carry (which combinations, and of which
// types, the soak checks: tests/soak/event_shapes.h).
struct EventKeys {
  const char* name;
  std::array<Keys, 3> parts;
};
inline constexpr std::array<EventKeys, 9> kEvents{{
    {kAppChanged, {kAppChangedKeys}},
    {kFocusedChanged, {kAppKeys}},
    {kCaret, {}},
    {kTextSelect, {kSelectionKeys, kProblemKeys, kAppKeys}},
    {kUiResized, {kSelectionKeys, kProblemKeys, kAppKeys}},
    {kAltEnterPressed, {kSelectionKeys, kProblemKeys, kAppKeys}},
    {kError, {kProblemKeys}},
    {kMouseHovered, {}},
    {kClickedOutside, {}},
}};

}  // namespace axb::events
