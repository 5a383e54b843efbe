// Owning handles for what xcb hands out: replies and events, which the caller frees with free(),
// and connections.
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace axb::platform::x11 {

template <typename T>
struct FreeDeleter {
  void operator()(T* pointer) const { std::free(pointer); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;

struct ConnectionCloser {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

}  // namespace axb::platform::x11
