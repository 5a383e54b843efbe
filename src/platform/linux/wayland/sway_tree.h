// What sway's GET_TREE answer says about the windows that belong to processes. Pure: no socket.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace axb::platform::wayland::sway {

struct View {
  ProcessId pid = 0;
  bool focused = false;
  bool visible = false;
  bool x11 = false;  // shown through XWayland
  bool floating = false;
  Size contentSize;  // window_rect's
  // Where the window's content begins in the layout: the container's rect moved by its
  // window_rect (below the title bar, inside the borders).
  Point contentOrigin;
  // app_id, or an X11 window's class.
  std::optional<std::string> applicationId;
};

// Every view of the tree, tiled and floating, in the tree's order. Anything that is not a tree of
// sway's gives what it can (nothing for a non-object).
std::vector<View> viewsOf(const nlohmann::json& tree);

}  // namespace axb::platform::wayland::sway
