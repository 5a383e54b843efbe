// Reading a Wayland clipboard's types, shared by the clipboards that transfer them (data-control,
// mutter's remote-desktop session): the same bounds as the X11 clipboard's
// (x11/clipboard_reading.cpp). Main thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/x11/clipboard_targets.h"

namespace axb::platform::wayland {

// Each type waits this long at most, a whole read this long, the first types of the owner's list,
// this many bytes saved.
constexpr double kRequestWait = 1.0;
constexpr double kReadBudget = 4.0;
constexpr std::size_t kMostTypes = 1024;
constexpr std::size_t kMostSavedBytes = std::size_t{256} << 20;

// Withdrawn: what was being read is no longer the selection.
enum class Outcome { Read, Refused, TimedOut, TooLarge, Withdrawn };

// Transfers one type into `data` (left empty unless Read) by the monotonic deadline, at most
// `limit` bytes.
using Receive = std::function<Outcome(const std::string& type, double deadline, std::size_t limit,
                                      std::string& data)>;

// Every offered type with its data, within the read budget and the saved-bytes bound; only the
// hint when a password manager marks the selection (its secret is never given back either).
x11::Targets readTypes(const std::vector<std::string>& offered, const Receive& receive);

// The first text type offered, each type given until `end` at most.
std::optional<std::string> readTextType(const std::function<bool(const std::string&)>& isOffered,
                                        const Receive& receive, double end);

}  // namespace axb::platform::wayland
