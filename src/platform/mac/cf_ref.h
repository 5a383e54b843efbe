// An owning handle to a Core Foundation object: the one place where references are released.
// Results of Copy and Create calls are adopted; objects obtained under the get rule are retained.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <utility>

namespace axb::platform::mac {

template <typename T>  // a Core Foundation reference type, such as CFStringRef
class CFRef {
 public:
  CFRef() = default;

  // Takes over a reference the caller owns (a Copy or Create result); null is fine.
  static CFRef adopt(T ref) {
    CFRef owned;
    owned.ref_ = ref;
    return owned;
  }
  // Shares a reference the caller does not own.
  static CFRef retain(T ref) {
    if (ref) CFRetain(ref);
    return adopt(ref);
  }

  CFRef(const CFRef& other) : ref_(other.ref_) {
    if (ref_) CFRetain(ref_);
  }
  CFRef(CFRef&& other) noexcept : ref_(std::exchange(other.ref_, nullptr)) {}
  CFRef& operator=(CFRef other) noexcept {
    std::swap(ref_, other.ref_);
    return *this;
  }
  ~CFRef() {
    if (ref_) CFRelease(ref_);
  }

  T get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }

 private:
  T ref_ = nullptr;
};

}  // namespace axb::platform::mac
