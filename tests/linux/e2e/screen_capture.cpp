#include "e2e/screen_capture.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace axb::e2e {

std::optional<ScreenCapture> captureScreen() {
  const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
      xcb_connect(nullptr, nullptr), &xcb_disconnect);
  if (xcb_connection_has_error(connection.get())) return std::nullopt;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data;
  const std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> image(
      xcb_get_image_reply(
          connection.get(),
          xcb_get_image(connection.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                        screen->width_in_pixels, screen->height_in_pixels, ~0u),
          nullptr),
      &std::free);
  const std::size_t count =
      static_cast<std::size_t>(screen->width_in_pixels) * screen->height_in_pixels;
  // The test display is 24 bits deep, 32 bits per pixel.
  if (!image || static_cast<std::size_t>(xcb_get_image_data_length(image.get())) != count * 4) {
    return std::nullopt;
  }
  ScreenCapture capture{screen->width_in_pixels, screen->height_in_pixels,
                        std::vector<std::uint32_t>(count)};
  std::memcpy(capture.pixels.data(), xcb_get_image_data(image.get()), count * 4);
  return capture;
}

Json changedArea(const ScreenCapture& before, const ScreenCapture& after) {
  if (before.width != after.width || before.height != after.height) return Json();
  int left = before.width, top = before.height, right = -1, bottom = -1;
  for (int y = 0; y < before.height; ++y) {
    for (int x = 0; x < before.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * before.width + x;
      if ((before.pixels[at] & 0xffffff) == (after.pixels[at] & 0xffffff)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return Json();
  return Json::array({left, top, right - left + 1, bottom - top + 1});
}

}  // namespace axb::e2e
