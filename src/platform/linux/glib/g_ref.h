// Owning handles for GLib objects: one reference per handle, released by the handle alone.
#pragma once

#include <glib-object.h>
#include <glib.h>

#include <memory>
#include <utility>

// In the Linux binding's own namespace, so that its AT-SPI, X11 and Wayland parts all use them.
namespace axb::platform {

// How a reference is taken and dropped: GObjects (accessibles, state sets, D-Bus connections,
// ...) share one way, the GLib types with counts of their own have theirs.
template <typename T>
struct GRefCount {
  static void ref(T* object) { g_object_ref(object); }
  static void unref(T* object) { g_object_unref(object); }
};
template <>
struct GRefCount<GVariant> {
  static void ref(GVariant* value) { g_variant_ref(value); }
  static void unref(GVariant* value) { g_variant_unref(value); }
};
template <>
struct GRefCount<GSource> {
  static void ref(GSource* source) { g_source_ref(source); }
  static void unref(GSource* source) { g_source_unref(source); }
};
template <>
struct GRefCount<GMainContext> {
  static void ref(GMainContext* context) { g_main_context_ref(context); }
  static void unref(GMainContext* context) { g_main_context_unref(context); }
};

// A strong reference to a GObject, a GVariant, a GSource or a GMainContext.
template <typename T>
class GRef {
 public:
  GRef() = default;
  // Takes over a reference the caller owns (a result of a "new" or "get" that transfers it).
  static GRef adopt(T* object) { return GRef(object); }
  // Adds a reference of its own to an object the caller only borrows.
  static GRef retain(T* object) {
    if (object) GRefCount<T>::ref(object);
    return GRef(object);
  }

  GRef(const GRef& other) : object_(other.object_) {
    if (object_) GRefCount<T>::ref(object_);
  }
  GRef(GRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GRef& operator=(GRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~GRef() {
    if (object_) GRefCount<T>::unref(object_);
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

// Memory a GLib call handed over for g_free: a structure such as AtspiRect or AtspiRange.
struct GFree {
  void operator()(gpointer memory) const { g_free(memory); }
};
template <typename T>
using GMemory = std::unique_ptr<T, GFree>;

// A boxed value handed over, freed as its type says: GBoxed<AtspiEvent, atspi_event_get_type>.
template <typename T, GType (*TypeOf)()>
struct GBoxedFree {
  void operator()(T* value) const { g_boxed_free(TypeOf(), value); }
};
template <typename T, GType (*TypeOf)()>
using GBoxed = std::unique_ptr<T, GBoxedFree<T, TypeOf>>;

// A GArray of object references handed over with it (AT-SPI's collection matches): the
// references go with the array.
template <typename T>
class GRefArray {
 public:
  explicit GRefArray(GArray* array) : array_(array) {}
  GRefArray(const GRefArray&) = delete;
  GRefArray& operator=(const GRefArray&) = delete;
  ~GRefArray() {
    if (!array_) return;
    for (guint i = 0; i < array_->len; ++i) {
      if (T* object = at(i)) GRefCount<T>::unref(object);
    }
    g_array_free(array_, TRUE);
  }

  guint size() const { return array_ ? array_->len : 0; }
  T* at(guint index) const { return g_array_index(array_, T*, index); }
  explicit operator bool() const { return array_ != nullptr; }

 private:
  GArray* array_;
};

}  // namespace axb::platform
