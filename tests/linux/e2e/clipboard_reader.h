// Reads the clipboard as another application would (xclip on X11, wl-paste in sway, a window of
// its own on GNOME), while the main context turns: this process may be the owner that has to
// answer.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace axb::e2e {

// The data of the target, or nothing when the clipboard does not offer it (or nobody owns it).
std::optional<std::string> readClipboard(const std::string& target, double seconds = 10.0);
// The targets the owner offers.
std::vector<std::string> clipboardTargets();

}  // namespace axb::e2e
