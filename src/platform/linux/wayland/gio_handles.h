// Owning handles for what GIO hands the compositor-facing code: objects (the bus, fd lists),
// variants, and an error out-parameter that frees what it receives.
#pragma once

#include <gio/gio.h>

#include <utility>

namespace axb::platform::wayland {

template <typename T>
void release(T* object) {
  g_object_unref(object);
}
template <>
inline void release<GVariant>(GVariant* value) {
  g_variant_unref(value);
}

// One reference, taken over from a call that transfers it.
template <typename T>
class GioRef {
 public:
  GioRef() = default;
  static GioRef adopt(T* object) {
    GioRef ref;
    ref.object_ = object;
    return ref;
  }
  GioRef(const GioRef&) = delete;
  GioRef& operator=(const GioRef&) = delete;
  GioRef(GioRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GioRef& operator=(GioRef&& other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~GioRef() {
    if (object_) release(object_);
  }
  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

class GioError {
 public:
  GioError() = default;
  GioError(const GioError&) = delete;
  GioError& operator=(const GioError&) = delete;
  ~GioError() {
    if (error_) g_error_free(error_);
  }
  GError** out() { return &error_; }
  explicit operator bool() const { return error_ != nullptr; }

 private:
  GError* error_ = nullptr;
};

}  // namespace axb::platform::wayland
