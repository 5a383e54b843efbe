// Owning handles for GLib objects: one reference per handle, released by the handle alone.
#pragma once

#include <glib-object.h>
#include <glib.h>

#include <utility>

namespace axb::platform::atspi {

// A strong reference to a GObject (an AT-SPI accessible, a D-Bus connection, ...).
template <typename T>
class GRef {
 public:
  GRef() = default;
  // Takes over a reference the caller owns (a result of a "new" or "get" that transfers it).
  static GRef adopt(T* object) { return GRef(object); }
  // Adds a reference of its own to an object the caller only borrows.
  static GRef retain(T* object) {
    if (object) g_object_ref(object);
    return GRef(object);
  }

  GRef(const GRef& other) : object_(other.object_) {
    if (object_) g_object_ref(object_);
  }
  GRef(GRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GRef& operator=(GRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~GRef() {
    if (object_) g_object_unref(object_);
  }

  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  explicit GRef(T* object) : object_(object) {}
  T* object_ = nullptr;
};

// A GError out-parameter that frees what it receives.
class GErrorSlot {
 public:
  GErrorSlot() = default;
  GErrorSlot(const GErrorSlot&) = delete;
  GErrorSlot& operator=(const GErrorSlot&) = delete;
  ~GErrorSlot() {
    if (error_) g_error_free(error_);
  }
  GError** out() {
    if (error_) g_clear_error(&error_);
    return &error_;
  }
  const GError* get() const { return error_; }
  explicit operator bool() const { return error_ != nullptr; }

 private:
  GError* error_ = nullptr;
};

// Text a GLib call returned (g_free releases it).
class GText {
 public:
  explicit GText(gchar* text) : text_(text) {}
  GText(const GText&) = delete;
  GText& operator=(const GText&) = delete;
  ~GText() { g_free(text_); }
  const gchar* get() const { return text_; }
  explicit operator bool() const { return text_ != nullptr; }

 private:
  gchar* text_;
};

}  // namespace axb::platform::atspi
