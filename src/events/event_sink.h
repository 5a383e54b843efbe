// Where events leave a subsystem: a name and a payload, handed on by whoever created it.
#pragma once

#include <functional>
#include <string>

#include "events/event_dictionary.h"

namespace axb {

using EventSink = std::function<void(const std::string& name, EventDictionary payload)>;

}  // namespace axb
