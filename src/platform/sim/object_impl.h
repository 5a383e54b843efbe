// The simulated binding's platform objects: each holds one value of the simulated desktop.
#pragma once

#include "platform/object.h"
#include "sim_desktop/values.h"

namespace axb::platform {

struct Object::Impl {
  sim::ValuePayload payload;
};

}  // namespace axb::platform
