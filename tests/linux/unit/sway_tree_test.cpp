// sway's tree as its IPC answers GET_TREE: a tiled native window under a title bar, a floating
// XWayland window, and nodes that name no process or carry values of the wrong kind.
#include "platform/linux/wayland/sway_tree.h"

#include <gtest/gtest.h>

namespace axb::platform::wayland::sway {
namespace {

TEST(SwayTree, ViewsAreTheirProcessesContentOriginsAndIds) {
  const auto tree = nlohmann::json::parse(R"({"type": "root", "nodes": [{"type": "output",
    "nodes": [{"type": "workspace", "rect": {"x": 0, "y": 0},
      "nodes": [{"type": "con", "pid": 41, "focused": true, "visible": true,
                 "shell": "xdg_shell", "app_id": "org.example.Editor",
                 "rect": {"x": 640, "y": 25, "width": 640, "height": 775},
                 "window_rect": {"x": 2, "y": 0, "width": 636, "height": 773},
                 "geometry": {"x": 0, "y": 0, "width": 480, "height": 320}},
                {"type": "con", "pid": "42", "focused": "yes"},
                {"type": "con", "pid": 0}, {"type": "con", "pid": 4294967337}],
      "floating_nodes": [{"type": "floating_con", "pid": 43, "focused": "no", "visible": true,
                          "shell": "xwayland", "app_id": null,
                          "window_properties": {"class": "XTerm"},
                          "rect": {"x": 100, "y": 80}, "window_rect": {"x": 1, "y": 22}}]}]}]})");
  const std::vector<View> views = viewsOf(tree);
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0].pid, 41);
  EXPECT_TRUE(views[0].focused);
  EXPECT_FALSE(views[0].x11);
  EXPECT_EQ(views[0].contentOrigin, (Point{642, 25}));
  EXPECT_EQ(views[0].applicationId, "org.example.Editor");
  EXPECT_EQ(views[1].pid, 43);
  EXPECT_FALSE(views[1].focused);
  EXPECT_TRUE(views[1].x11);
  EXPECT_EQ(views[1].contentOrigin, (Point{101, 102}));
  EXPECT_EQ(views[1].applicationId, "XTerm");
  EXPECT_TRUE(viewsOf(nlohmann::json::array()).empty());
}

}  // namespace
}  // namespace axb::platform::wayland::sway
