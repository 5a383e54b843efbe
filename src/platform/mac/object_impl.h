// Behind every Object: one Core Foundation reference, released with the last handle.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <memory>
#include <utility>

#include "platform/mac/cf_ref.h"
#include "platform/object.h"

namespace axb::platform {

struct Object::Impl {
  mac::CFRef<CFTypeRef> ref;  // never null
};

}  // namespace axb::platform

namespace axb::platform::mac {

// An Object that owns the reference; an empty Object for null.
inline Object wrap(CFRef<CFTypeRef> ref) {
  if (!ref) return Object();
  return Object(std::make_shared<const Object::Impl>(Object::Impl{std::move(ref)}));
}

// The object's reference, valid while the object lives; null for an empty Object.
inline CFTypeRef borrow(const Object& object) {
  return object.impl() ? object.impl()->ref.get() : nullptr;
}

}  // namespace axb::platform::mac
