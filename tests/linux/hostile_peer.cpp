// X11 clients that misbehave, as the end-to-end tests need them. One mode per run:
//
//   endless-incr               owns CLIPBOARD; text, and an image sent in INCR chunks without end
//                              (until 1 GiB or 12 s, so that a host that keeps reading ends too)
//   many-targets COUNT         owns CLIPBOARD offering text and COUNT garbage targets
//   unfinished-incr COUNT TARGET  asks COUNT times for a large target and takes no chunk
//   abandoned-incr COUNT TARGET   COUNT times in turn: asks from a new window for a large target,
//                              then destroys the window instead of taking a chunk
//
// Prints {"ready": true} once started, then {"done": ...} when a timed mode ends; runs until its
// standard input closes or it is killed.
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/x11/xcb_handles.h"
#include "x11_peer.h"

namespace {

namespace x11 = axb::platform::x11;
using axb::x11_peer::inputClosed;
using axb::x11_peer::say;

xcb_connection_t* c = nullptr;
xcb_window_t root = XCB_WINDOW_NONE;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

xcb_atom_t atom(const char* name) {
  return axb::x11_peer::atom(c, name);
}

xcb_window_t newWindow(bool overrideRedirect) {
  const xcb_window_t window = xcb_generate_id(c);
  const std::uint32_t values[] = {overrideRedirect ? 1u : 0u, XCB_EVENT_MASK_PROPERTY_CHANGE};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 10, 10, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                    XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
  return window;
}

void sync() {
  axb::x11_peer::sync(c);
}

// Waits for the next event, or nothing once standard input closed.
x11::Event nextEvent() {
  for (;;) {
    if (x11::Event event{xcb_poll_for_event(c)}) return event;
    if (xcb_connection_has_error(c) || inputClosed()) return nullptr;
    pollfd display{xcb_get_file_descriptor(c), POLLIN, 0};
    poll(&display, 1, 50);
  }
}

void idleUntilInputCloses() {
  while (!inputClosed()) {
    const x11::Event ignored(xcb_poll_for_event(c));
    usleep(20000);
  }
}

// Owns CLIPBOARD with a text and, beyond it, either garbage targets or an endless image.
int own(std::uint32_t garbageTargets, bool endlessImage) {
  const xcb_window_t window = newWindow(false);
  const xcb_atom_t clipboard = atom("CLIPBOARD");
  const xcb_atom_t targets = atom("TARGETS");
  const xcb_atom_t text = atom("UTF8_STRING");
  const xcb_atom_t image = atom("image/png");
  const xcb_atom_t incr = atom("INCR");
  xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
  sync();
  say("{\"ready\": true}");
  // Chunks of a size that is no power of two, as applications' are.
  const std::string chunk(250000, 'x');
  xcb_window_t imageRequestor = XCB_WINDOW_NONE;
  xcb_atom_t imageProperty = XCB_ATOM_NONE;
  std::size_t sent = 0;
  const double began = now();
  while (const x11::Event event = nextEvent()) {
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_PROPERTY_NOTIFY) {
      const auto& deleted = reinterpret_cast<const xcb_property_notify_event_t&>(*event);
      if (deleted.state != XCB_PROPERTY_DELETE || deleted.window != imageRequestor ||
          deleted.atom != imageProperty || sent >= (std::size_t{1} << 30) || now() - began > 12) {
        continue;
      }
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, imageRequestor, imageProperty, image, 8,
                          static_cast<std::uint32_t>(chunk.size()), chunk.data());
      sent += chunk.size();
      xcb_flush(c);
      continue;
    }
    if (type != XCB_SELECTION_REQUEST) continue;
    const auto& request = reinterpret_cast<const xcb_selection_request_event_t&>(*event);
    bool served = true;
    if (request.target == targets) {
      std::vector<xcb_atom_t> list{targets, text};
      if (endlessImage) list.push_back(image);
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                          XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(list.size()), list.data());
      // Garbage atoms, appended in pieces that fit a request.
      constexpr std::uint32_t kPiece = 1u << 18;
      std::vector<xcb_atom_t> garbage(kPiece);
      for (std::uint32_t added = 0; added < garbageTargets; added += kPiece) {
        for (std::uint32_t i = 0; i < kPiece; ++i) garbage[i] = 0x1000000 + added + i;
        const std::uint32_t count = std::min(kPiece, garbageTargets - added);
        xcb_change_property(c, XCB_PROP_MODE_APPEND, request.requestor, request.property,
                            XCB_ATOM_ATOM, 32, count, garbage.data());
      }
    } else if (request.target == text) {
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property, text, 8, 4,
                          "text");
    } else if (request.target == image && endlessImage) {
      const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
      xcb_change_window_attributes(c, request.requestor, XCB_CW_EVENT_MASK, &mask);
      const std::uint32_t size = 0;
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property, incr, 32,
                          1, &size);
      imageRequestor = request.requestor;
      imageProperty = request.property;
    } else {
      served = false;
    }
    axb::x11_peer::answer(c, request, served);
    xcb_flush(c);
  }
  return 0;
}

int unfinishedIncr(int count, const char* targetName, bool abandon) {
  const xcb_atom_t clipboard = atom("CLIPBOARD");
  const xcb_atom_t target = atom(targetName);
  const xcb_atom_t property = atom("UNFINISHED");
  const xcb_atom_t incr = atom("INCR");
  const auto ask = [&] {
    xcb_convert_selection(c, newWindow(false), clipboard, target, property, XCB_CURRENT_TIME);
    xcb_flush(c);
  };
  for (int i = 0; i < (abandon ? 1 : count); ++i) ask();
  say("{\"ready\": true}");
  int answered = 0;
  int chunked = 0;
  for (const double end = now() + 15; answered < count && now() < end;) {
    const x11::Event event(xcb_poll_for_event(c));
    if (!event) {
      usleep(10000);
      continue;
    }
    if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY) {
      const auto& answer = reinterpret_cast<const xcb_selection_notify_event_t&>(*event);
      ++answered;
      if (answer.property != XCB_ATOM_NONE) {
        const x11::Reply<xcb_get_property_reply_t> value(xcb_get_property_reply(
            c, xcb_get_property(c, 0, answer.requestor, property, XCB_ATOM_ANY, 0, 1), nullptr));
        if (value && value->type == incr) ++chunked;
      }
      if (abandon && answered < count) {
        xcb_destroy_window(c, answer.requestor);
        ask();
      }
    }
  }
  say("{\"done\": true, \"answered\": " + std::to_string(answered) +
      ", \"chunked\": " + std::to_string(chunked) + "}");
  idleUntilInputCloses();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<x11::DisplayConnection> display = x11::connectToDisplay();
  if (!display) return 1;
  c = display->connection.get();
  root = display->root;
  const std::string mode = argc > 1 ? argv[1] : "";
  const auto number = [&](int index) { return argc > index ? std::atof(argv[index]) : 0.0; };
  if (mode == "endless-incr") return own(0, true);
  if (mode == "many-targets") return own(static_cast<std::uint32_t>(number(2)), false);
  if ((mode == "unfinished-incr" || mode == "abandoned-incr") && argc > 3) {
    return unfinishedIncr(static_cast<int>(number(2)), argv[3], mode == "abandoned-incr");
  }
  return 2;
}
