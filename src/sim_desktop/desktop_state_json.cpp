// The whole desktop as one JSON object, for scenario results and debugging.
#include <nlohmann/json.hpp>

#include "platform/utf8.h"
#include "sim_desktop/desktop_state.h"
#include "sim_desktop/values.h"

namespace axb::sim {
namespace {

using nlohmann::json;

const char* axValueTypeName(platform::AXValueType type) {
  switch (type) {
    case platform::AXValueType::CGPoint:
      return "CGPoint";
    case platform::AXValueType::CGSize:
      return "CGSize";
    case platform::AXValueType::CGRect:
      return "CGRect";
    case platform::AXValueType::CFRange:
      return "CFRange";
    case platform::AXValueType::AXError:
      return "AXError";
    case platform::AXValueType::Illegal:
      return "illegal";
  }
  return "illegal";
}

json optionalString(const std::optional<std::string>& value) {
  return value ? json(*value) : json(nullptr);
}

json rectJson(const Rect& rect) {
  return {{"x", rect.x}, {"y", rect.y}, {"width", rect.width}, {"height", rect.height}};
}

json boxJson(const AXValueBox& box) {
  json out = {{"ax_value", axValueTypeName(box.type)}};
  if (!box.extractable) {
    out["extractable"] = false;
    return out;
  }
  switch (box.type) {
    case platform::AXValueType::CGPoint:
      out["x"] = box.point.x;
      out["y"] = box.point.y;
      break;
    case platform::AXValueType::CGSize:
      out["width"] = box.size.width;
      out["height"] = box.size.height;
      break;
    case platform::AXValueType::CGRect:
      out.update(rectJson(box.rect));
      break;
    case platform::AXValueType::CFRange:
      out["location"] = box.range.location;
      out["length"] = box.range.length;
      break;
    case platform::AXValueType::AXError:
      out["error"] = box.error;
      break;
    case platform::AXValueType::Illegal:
      break;
  }
  return out;
}

json markerJson(const TextMarkerValue& marker) {
  const auto node = marker.element.lock();
  return {{"element", node ? json(node->spec.id) : json(nullptr)}, {"offset", marker.offset}};
}

json objectJson(const platform::Object& object) {
  const ValuePayload* held = payloadOf(object);
  if (!held) return nullptr;
  return std::visit(
      [](const auto& payload) -> json {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, double> ||
                      std::is_same_v<T, bool>) {
          return payload;
        } else if constexpr (std::is_same_v<T, std::vector<platform::Object>>) {
          json items = json::array();
          for (const auto& item : payload) items.push_back(objectJson(item));
          return items;
        } else if constexpr (std::is_same_v<T, AXValueBox>) {
          return boxJson(payload);
        } else if constexpr (std::is_same_v<T, AttributedStringValue>) {
          return {{"attributed_string", payload.text}};
        } else if constexpr (std::is_same_v<T, std::shared_ptr<ElementNode>>) {
          return {{"element", payload ? json(payload->spec.id) : json(nullptr)}};
        } else if constexpr (std::is_same_v<T, TextMarkerValue>) {
          return {{"text_marker", markerJson(payload)}};
        } else if constexpr (std::is_same_v<T, TextMarkerRangeValue>) {
          return {{"text_marker_range", {objectJson(payload.start), objectJson(payload.end)}}};
        } else {
          return {{"other", payload.description}};
        }
      },
      *held);
}

json overridesJson(const ElementNode& node) {
  json out = json::object();
  for (const auto& [name, fixed] : node.overrides) {
    if (fixed.error) {
      out[name] = {{"error", *fixed.error}};
    } else if (fixed.value) {
      out[name] = objectJson(*fixed.value);
    }
  }
  return out;
}

json parameterizedOverridesJson(const ElementNode& node) {
  json out = json::object();
  for (const auto& [name, fixed] : node.parameterizedOverrides) {
    out[name] = fixed.error != platform::axerr::kSuccess ? json{{"error", fixed.error}}
                                                         : objectJson(fixed.value);
  }
  return out;
}

json elementJson(const ElementNode& node) {
  const auto& spec = node.spec;
  return {
      {"id", spec.id},
      {"role", optionalString(spec.role)},
      {"subrole", optionalString(spec.subrole)},
      {"title", optionalString(spec.title)},
      {"window", optionalString(spec.window)},
      {"frame", rectJson(spec.frame)},
      {"text_kind", textKindName(spec.text)},
      {"text", spec.value},
      {"selection", {{"location", spec.selection.location}, {"length", spec.selection.length}}},
      {"editable", spec.editable},
      {"destroyed", node.destroyed},
      {"overrides", overridesJson(node)},
      {"parameterized_overrides", parameterizedOverridesJson(node)},
  };
}

json applicationJson(const AppRecord& app) {
  json elements = json::array();
  for (const auto& node : app.elements) elements.push_back(elementJson(*node));
  return {
      {"pid", app.spec.pid},
      {"bundle_id", optionalString(app.spec.bundleId)},
      {"name", optionalString(app.spec.name)},
      {"finished_launching", app.finishedLaunching},
      {"terminated", app.terminated},
      {"responsive", !isHung(Desktop::current(), app)},
      {"enhanced_user_interface", app.enhancedUserInterface},
      {"focused", app.focused ? json(app.focused->spec.id) : json(nullptr)},
      {"application_overrides", overridesJson(*app.appNode)},
      {"elements", std::move(elements)},
  };
}

// Binary data is not text: it goes out as base64 so the JSON stays valid UTF-8.
std::string base64(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += {kAlphabet[(n >> 18) & 63], kAlphabet[(n >> 12) & 63], kAlphabet[(n >> 6) & 63],
            kAlphabet[n & 63]};
  }
  if (const auto rest = bytes.size() - i; rest > 0) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

json pasteboardJson(const Desktop::State& state) {
  json items = json::array();
  for (const auto& item : state.pasteboardItems) {
    json representations = json::array();
    for (const auto& [type, data] : item.representations) {
      json representation = {{"type", type}};
      if (utf8::isWellFormed(data)) {
        representation["data"] = data;
      } else {
        representation["data_base64"] = base64(data);
      }
      representations.push_back(std::move(representation));
    }
    items.push_back(std::move(representations));
  }
  return {{"change_count", state.pasteboardChangeCount}, {"items", std::move(items)}};
}

json keyEventsJson(const Desktop::State& state) {
  json events = json::array();
  for (const auto& event : state.keyEvents) {
    events.push_back({{"time", event.time},
                      {"source_state", event.sourceState},
                      {"key_code", event.keyCode},
                      {"key_down", event.keyDown},
                      {"flags", event.flags},
                      {"tap", event.tap}});
  }
  return events;
}

json hostWindowsJson(const Desktop::State& state) {
  json windows = json::array();
  for (const auto& window : state.hostWindows) {
    windows.push_back({{"id", window->spec.id},
                       {"frame", rectJson(window->spec.frame)},
                       {"content_view", window->spec.contentView},
                       {"has_delegate", window->spec.hostDelegate || window->delegate},
                       {"closed", window->closed},
                       {"tracking_areas", window->areas.size()}});
  }
  return windows;
}

}  // namespace

std::string Desktop::stateJson() const {
  const auto& state = *state_;
  json applications = json::array();
  for (const auto& app : state.apps) applications.push_back(applicationJson(*app));
  const json out = {
      {"time", now()},
      {"trusted", state.trusted},
      {"prompt_count", state.promptCount},
      {"host_pid", state.hostPid},
      {"frontmost", state.frontmost ? json(*state.frontmost) : json(nullptr)},
      {"applications", std::move(applications)},
      {"pasteboard", pasteboardJson(state)},
      {"key_events", keyEventsJson(state)},
      {"host_windows", hostWindowsJson(state)},
      {"pointer", {{"x", state.pointer.x}, {"y", state.pointer.y}}},
  };
  // Names and values set by hand may hold ill-formed UTF-8: replace rather than throw.
  return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace axb::sim
