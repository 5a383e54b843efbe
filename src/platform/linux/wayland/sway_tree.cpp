#include "platform/linux/wayland/sway_tree.h"

#include <cstdint>
#include <utility>

namespace axb::platform::wayland::sway {
namespace {

using nlohmann::json;

double number(const json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_number() ? found->get<double>() : 0.0;
}

bool flag(const json& node, const char* key) {
  const auto found = node.find(key);
  return found != node.end() && found->is_boolean() && found->get<bool>();
}

std::optional<std::string> text(const json& node, const char* key) {
  const auto found = node.find(key);
  if (found == node.end() || !found->is_string() || found->get_ref<const std::string&>().empty()) {
    return std::nullopt;
  }
  return found->get<std::string>();
}

Point originOf(const json& node, const char* key) {
  const auto found = node.find(key);
  if (found == node.end() || !found->is_object()) return {};
  return Point{number(*found, "x"), number(*found, "y")};
}

void collect(const json& node, std::vector<View>& views, int depth) {
  // sway's tree is a few levels deep; a deeper one is no tree of sway's.
  if (!node.is_object() || depth > 64) return;
  const auto pid = node.find("pid");
  // A process id is positive and fits the platform's type; anything else names no process.
  if (pid != node.end() && pid->is_number_integer() && pid->get<std::int64_t>() > 0 &&
      pid->get<std::int64_t>() <= 0x7fffffff) {
    View view;
    view.pid = static_cast<ProcessId>(pid->get<std::int64_t>());
    view.focused = flag(node, "focused");
    view.visible = flag(node, "visible");
    view.x11 = text(node, "shell") == "xwayland";
    view.floating = text(node, "type") == "floating_con";
    const Point rect = originOf(node, "rect");
    const Point content = originOf(node, "window_rect");
    view.contentOrigin = Point{rect.x + content.x, rect.y + content.y};
    if (const auto box = node.find("window_rect"); box != node.end() && box->is_object()) {
      view.contentSize = Size{number(*box, "width"), number(*box, "height")};
    }
    view.applicationId = text(node, "app_id");
    if (const auto properties = node.find("window_properties");
        !view.applicationId && properties != node.end() && properties->is_object()) {
      view.applicationId = text(*properties, "class");
    }
    views.push_back(std::move(view));
  }
  for (const char* children : {"nodes", "floating_nodes"}) {
    const auto list = node.find(children);
    if (list == node.end() || !list->is_array()) continue;
    for (const json& child : *list) collect(child, views, depth + 1);
  }
}

}  // namespace

std::vector<View> viewsOf(const json& tree) {
  std::vector<View> views;
  collect(tree, views, 0);
  return views;
}

}  // namespace axb::platform::wayland::sway
