#include "platform/linux/wayland/clipboard_read.h"

#include <algorithm>
#include <utility>

#include "platform/run_loop.h"

namespace axb::platform::wayland {

x11::Targets readTypes(const std::vector<std::string>& offered, const Receive& receive) {
  if (std::find(offered.begin(), offered.end(), x11::kPasswordManagerHintTarget) != offered.end()) {
    return {{x11::kPasswordManagerHintTarget, x11::kPasswordManagerHintValue}};
  }
  x11::Targets read;
  const double budgetEnd = monotonicSeconds() + kReadBudget;
  std::size_t saved = 0;
  for (const std::string& type : offered) {
    if (monotonicSeconds() >= budgetEnd) break;
    if (x11::isMetaTarget(type)) continue;
    if (std::any_of(read.begin(), read.end(), [&](const auto& r) { return r.first == type; })) {
      continue;
    }
    std::string data;
    const Outcome outcome = receive(type, std::min(monotonicSeconds() + kRequestWait, budgetEnd),
                                    kMostSavedBytes - saved, data);
    // Not answering (asking again would only block longer), or no longer the selection.
    if (outcome == Outcome::TimedOut || outcome == Outcome::Withdrawn) break;
    if (outcome == Outcome::Read) {
      saved += data.size();
      read.emplace_back(type, std::move(data));
    }
  }
  return read;
}

std::optional<std::string> readTextType(const std::function<bool(const std::string&)>& isOffered,
                                        const Receive& receive, double end) {
  for (const char* type : {x11::kTextPlainUtf8Target, x11::kUtf8StringTarget}) {
    if (!isOffered(type)) continue;
    std::string data;
    const Outcome outcome =
        receive(type, std::min(monotonicSeconds() + kRequestWait, end), kMostSavedBytes, data);
    if (outcome == Outcome::TimedOut || outcome == Outcome::Withdrawn) return std::nullopt;
    if (outcome == Outcome::Read) return data;
  }
  return std::nullopt;
}

}  // namespace axb::platform::wayland
